#pragma once

// Owns one OpenSSL object and frees it with its own function.
template <typename T, void (*Free)(T*)>
struct Owned {
    T* p = nullptr;
    explicit Owned(T* value) : p(value) {}
    ~Owned() {
        if (p)
            Free(p);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
};
