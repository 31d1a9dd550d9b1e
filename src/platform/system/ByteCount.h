#pragma once

#include <QString>

#include <cstdint>

// Byte sizes as the platform's file style writes them: decimal units (1 KB is 1000 bytes),
// "Zero KB" for nothing, whole bytes and kilobytes, one decimal for megabytes and two from
// gigabytes up, trailing zeros dropped. A value that rounds up to 1000 of a unit is written in
// the next one.
namespace ByteCount {

QString file(std::int64_t bytes);

} // namespace ByteCount
