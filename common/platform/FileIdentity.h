#pragma once

#include <QString>

#include <cstdint>

namespace levy {

// Which file a name or a descriptor stands for, whatever it is called: what makes "the
// file that was checked" and "the file that is stored" comparable.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool known = false;

    // Two identities are the same file only when both are known.
    bool operator==(const FileIdentity& other) const
    {
        return known && other.known && device == other.device && inode == other.inode;
    }
};

// The regular file `path` itself names; none for a link (it is not followed), a folder
// or nothing.
FileIdentity IdentityOfFile(const QString& path);
// The file `path` leads to, links followed.
FileIdentity IdentityLeadTo(const QString& path);
// The file an open descriptor stands for.
FileIdentity IdentityOfDescriptor(int descriptor);

} // namespace levy
