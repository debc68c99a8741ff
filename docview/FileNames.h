// File names as the system's bytes. Qt takes a file name as UTF-8 text, so a
// name that is not UTF-8 (caf\xe9.q4t, from an older system) would turn into
// another one. Here each byte that is no part of UTF-8 is carried in the
// QString as one character U+DC80 to U+DCFF, which no UTF-8 text decodes to,
// and given back as that byte; such a name is shown with U+FFFD in its place.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>

namespace docview {

QString pathFromBytes(const QByteArray& bytes);
QByteArray bytesOfPath(const QString& path);
inline std::string nativePath(const QString& path) { return bytesOfPath(path).toStdString(); }
inline QString pathFromNative(const std::string& path) { return pathFromBytes(QByteArray::fromStdString(path)); }

// The path from the root, "." and ".." taken out (QFileInfo's own would
// lose the carried bytes of a relative path).
QString absolutePath(const QString& path);

// The command line, each argument as a path carried so.
QStringList argumentsAsPaths(int argc, char** argv);

// Whether Qt's own file classes can name the file (the name is UTF-8).
bool qtCanName(const QString& path);

// For titles, menus and messages: the carried bytes and every character that
// would break a line or a title (controls, U+2028, U+2029) as U+FFFD.
QString shownPath(const QString& path);
// The last part of the path, shown so.
QString shownName(const QString& path);

}  // namespace docview
