#include "docview/FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace docview {

namespace {

constexpr char16_t kFirstCarried = 0xDC80;
constexpr char16_t kLastCarried = 0xDCFF;

bool isContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
  return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence at bytes[i]; 0 when there is none.
int sequenceLength(const QByteArray& bytes, qsizetype i) {
  const auto at = [&](qsizetype n) { return n < bytes.size() ? static_cast<unsigned char>(bytes[n]) : 0; };
  const unsigned char lead = at(i);
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return isContinuation(at(i + 1)) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    // No overlong forms (E0 80..9F) and no surrogates (ED A0..BF).
    const bool second = lead == 0xE0 ? isContinuation(at(i + 1), 0xA0) :
                        lead == 0xED ? isContinuation(at(i + 1), 0x80, 0x9F) : isContinuation(at(i + 1));
    return second && isContinuation(at(i + 2)) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    // No overlong forms (F0 80..8F) and nothing beyond U+10FFFF (F4 90..).
    const bool second = lead == 0xF0 ? isContinuation(at(i + 1), 0x90) :
                        lead == 0xF4 ? isContinuation(at(i + 1), 0x80, 0x8F) : isContinuation(at(i + 1));
    return second && isContinuation(at(i + 2)) && isContinuation(at(i + 3)) ? 4 : 0;
  }
  return 0;
}

bool isCarriedByte(const QString& text, qsizetype i) {
  const char16_t unit = text[i].unicode();
  const bool paired = i > 0 && text[i - 1].isHighSurrogate();
  return unit >= kFirstCarried && unit <= kLastCarried && !paired;
}

bool breaksATitle(QChar c) {
  const char16_t unit = c.unicode();
  return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) || unit == 0x2028 || unit == 0x2029;
}

}  // namespace

QString pathFromBytes(const QByteArray& bytes) {
  QString path;
  for (qsizetype i = 0; i < bytes.size();) {
    const int length = sequenceLength(bytes, i);
    if (length == 0) {
      path += QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i])));
      ++i;
    } else {
      path += QString::fromUtf8(bytes.constData() + i, length);
      i += length;
    }
  }
  return path;
}

QByteArray bytesOfPath(const QString& path) {
  QByteArray bytes;
  qsizetype textStart = 0;
  for (qsizetype i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !isCarriedByte(path, i)) continue;
    bytes += QStringView(path).mid(textStart, i - textStart).toUtf8();
    if (i < path.size()) bytes += static_cast<char>(path[i].unicode() - 0xDC00);
    textStart = i + 1;
  }
  return bytes;
}

QString absolutePath(const QString& path) {
  if (QDir::isAbsolutePath(path)) return QDir::cleanPath(path);
  std::error_code error;
  const std::string current = std::filesystem::current_path(error).string();
  return QDir::cleanPath(pathFromNative(current) + QLatin1Char('/') + path);
}

QStringList argumentsAsPaths(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << pathFromBytes(QByteArray(argv[i]));
  return arguments;
}

bool qtCanName(const QString& path) { return bytesOfPath(path) == path.toUtf8(); }

QString shownPath(const QString& path) {
  QString shown = path;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    const bool lone = shown[i].isSurrogate() &&
                      !(shown[i].isHighSurrogate() && i + 1 < shown.size() && shown[i + 1].isLowSurrogate()) &&
                      !(shown[i].isLowSurrogate() && i > 0 && shown[i - 1].isHighSurrogate());
    if (lone || breaksATitle(shown[i])) shown[i] = QChar::ReplacementCharacter;
  }
  return shown;
}

QString shownName(const QString& path) { return shownPath(QFileInfo(path).fileName()); }

}  // namespace docview
