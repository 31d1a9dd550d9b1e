#pragma once

#include "platform/desktop/LoginItem.h"
#include "runtime/FileError.h"

#include <QStringList>

#include <cerrno>

// The login item in memory: on or off, with refusals on demand.
class FakeLoginItem final : public LoginItem {
public:
    FakeLoginItem() : LoginItem(QStringLiteral("/nowhere/quenlark"), QStringLiteral("/nowhere/entry.desktop")) {}

    bool enabled() const override { return on; }
    void setEnabled(bool value) override {
        ++calls;
        if (refuse || (!value && !on))
            throw FileError(value ? FileError::Op::Write : FileError::Op::Remove, entry(), refuse ? EACCES : ENOENT);
        on = value;
    }
    void follow() override { followed << program(); }

    bool on = false;
    bool refuse = false;
    int calls = 0;
    QStringList followed; // the program each follow named
};
