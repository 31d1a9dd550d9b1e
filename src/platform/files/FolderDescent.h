#pragma once

#include "platform/files/UniqueFd.h"

#include <QByteArray>
#include <QList>

#include <vector>

#include <sys/types.h>

// A walk down nested folders by descriptors, never by path (so depth is not bounded by the
// longest path) and never through a link, that keeps at most a fixed number of descriptors
// open whatever the depth: the shallowest are closed as the walk goes deeper and reopened
// through ".." on the way back, checked to be the very folder that was left.
class FolderDescent {
public:
    static constexpr int window = 16;

    // Takes over `root`, a descriptor of a folder.
    explicit FolderDescent(UniqueFd root);

    // The deepest folder entered.
    int current() const { return frames_.back().fd.get(); }
    qsizetype depth() const { return qsizetype(frames_.size()); }

    // Enters the folder `name` of the current one; false with errno set (ELOOP or ENOTDIR for
    // a link) when it can't be opened.
    bool enter(const QByteArray& name);
    // Goes back up one level; false with errno set when the folder above can't be reopened or
    // is no longer the one that was entered from (ESTALE).
    bool leave();

private:
    struct Frame {
        UniqueFd fd;
        dev_t device;
        ino_t inode;
    };
    std::vector<Frame> frames_;
    size_t firstOpen_ = 0; // frames before this one have their descriptors closed
};

// The names in the folder open at `fd` (without "." and ".."), read through a duplicate so that
// `fd` stays usable; false with errno set when it can't be read.
bool folderNames(int fd, QList<QByteArray>& names);
