#pragma once

#include <QList>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

// Small helpers over xcb's replies, which the caller frees with free().
namespace XcbReply {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> own(T* reply) {
    return Reply<T>(reply, &std::free);
}

// The atom of `name`, or none when the server has not made it.
inline xcb_atom_t atom(xcb_connection_t* c, const char* name, bool onlyIfExists = true) {
    auto reply = own(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, onlyIfExists ? 1 : 0, static_cast<uint16_t>(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The 32-bit values of a window property, at most `limit` of them.
inline QList<uint32_t> values(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                              uint32_t limit = 4096) {
    QList<uint32_t> out;
    if (property == XCB_ATOM_NONE)
        return out;
    auto reply = own(xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, limit), nullptr));
    if (!reply || reply->format != 32)
        return out;
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i)
        out.append(data[i]);
    return out;
}

} // namespace XcbReply
