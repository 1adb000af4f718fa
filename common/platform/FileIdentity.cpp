#include "FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

namespace levy {
namespace {
FileIdentity FromStat(int rc, const struct stat& st)
{
    if (rc != 0)
        return {};
    return {uint64_t(st.st_dev), uint64_t(st.st_ino), true};
}
} // namespace

FileIdentity IdentityOfFile(const QString& path)
{
    struct stat st {};
    const int rc = ::lstat(QFile::encodeName(path).constData(), &st);
    return rc == 0 && S_ISREG(st.st_mode) ? FromStat(rc, st) : FileIdentity{};
}

FileIdentity IdentityLeadTo(const QString& path)
{
    struct stat st {};
    return FromStat(::stat(QFile::encodeName(path).constData(), &st), st);
}

FileIdentity IdentityOfDescriptor(int descriptor)
{
    struct stat st {};
    return descriptor < 0 ? FileIdentity{} : FromStat(::fstat(descriptor, &st), st);
}

} // namespace levy
