#pragma once

#include <QObject>

#include <memory>
#include <type_traits>
#include <utility>

// Shared QObjects (rows, library items, island state) outlive a refresh that drops them while an
// operation still holds them; the last owner hands deletion to the object's own thread
// (deleteLater is safe from any thread), so a pool thread never deletes it.
template <typename T, typename... Args>
std::shared_ptr<T> makeShared(Args&&... args) {
    static_assert(std::is_base_of_v<QObject, T>);
    return std::shared_ptr<T>(new T(std::forward<Args>(args)...), [](T* object) { object->deleteLater(); });
}
