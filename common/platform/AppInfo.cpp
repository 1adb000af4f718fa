#include "AppInfo.h"

#include <QCoreApplication>
#include <QDir>

namespace levy {
namespace {
QString title;
QString productName;
QString pathOverride;
} // namespace

void AppInfo::Set(const QString& t, const QString& p)
{
    title = t;
    productName = p;
}

QString AppInfo::Title() { return title; }
QString AppInfo::ProductName() { return productName; }

QString AppInfo::Path()
{
    if (!pathOverride.isEmpty())
        return pathOverride;
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

void AppInfo::SetPathForTests(const QString& path) { pathOverride = path; }

} // namespace levy
