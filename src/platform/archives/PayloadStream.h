#pragma once

#include "platform/archives/ExpansionBudget.h"

#include <QByteArray>

#include <memory>

class XarDataStream;

// A component's Payload decoded on the fly to the cpio archive it must be: pulled from the
// package through its one compression (gzip, pbzx, bzip2, xz, or none) in constant memory, each
// decoded byte weighed against the expansion bound. A stream that is not cpio under one
// compression is refused at its first bytes. Throws PackageInstaller::Failure, and what the
// package's stream throws.
class PayloadStream {
public:
    PayloadStream(XarDataStream& source, const ExpansionLimit& limits);
    ~PayloadStream();
    PayloadStream(const PayloadStream&) = delete;
    PayloadStream& operator=(const PayloadStream&) = delete;

    // Up to `size` (at least 6) cpio bytes into `buffer`; 0 at the end of the payload, once its
    // checksums in the package matched.
    qint64 read(char* buffer, qint64 size);
    // Reads to the end what the archive left, so the checksums are checked and nothing hides
    // behind the archive's trailer unweighed.
    void drain();

    class Input;
    class Decoder;

private:
    std::unique_ptr<Input> input_;
    std::unique_ptr<Decoder> decoder_;
    ExpansionBudget budget_;
    bool started_ = false;
};
