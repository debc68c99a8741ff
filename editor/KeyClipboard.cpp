#include "editor/KeyClipboard.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>

#include "editor/CChangeKeyValueDlg.h"
#include "model/KeyTable.h"

namespace q4t {

namespace {

// A copied key's text is a few dozen characters.
constexpr qsizetype kLongestKeyText = 1000;

PasteReading readValue(QStringView valueText, std::optional<std::string> label) {
  const CChangeKeyValueDlg::Reading reading = CChangeKeyValueDlg::readNewValue(valueText);
  if (!reading.number) return {std::nullopt, reading.refusal, reading.warning};
  return {PastedKey{*reading.number, std::move(label)}, {}, false};
}

PasteReading readText(QString text) {
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  if (text.endsWith(QLatin1Char('\r'))) text.chop(1);
  // Several lines or a long text hold no single key: refused as text that is no integer.
  if (text.size() > kLongestKeyText || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))
    return readValue({}, std::nullopt);
  const qsizetype tab = text.indexOf(QLatin1Char('\t'));
  if (tab < 0) return readValue(text, std::nullopt);
  return readValue(QStringView(text).left(tab), text.mid(tab + 1).toStdString());
}

// Nothing when the data is not a key as this program copies one.
std::optional<PasteReading> readKeyData(const QByteArray& bytes) {
  const QJsonObject key = QJsonDocument::fromJson(bytes).object();
  if (!key.value(QLatin1String("value")).isDouble() || !key.value(QLatin1String("label")).isString())
    return std::nullopt;
  return readValue(QString::number(key.value(QLatin1String("value")).toInt()),
                   key.value(QLatin1String("label")).toString().toStdString());
}

}  // namespace

QMimeData* keyMimeData(const KeyTable& table, int k) {
  const KeyEntry& key = table.entry(k);
  const QString label = QString::fromStdString(table.label(k));
  auto* data = new QMimeData;
  data->setText(QString::number(key.value) + QLatin1Char('\t') + label);
  // A merged key's counter may sit on one of its covered positions.
  const QJsonObject copied{{QLatin1String("value"), key.value},
                           {QLatin1String("label"), label},
                           {QLatin1String("size"), static_cast<int>(key.size)},
                           {QLatin1String("counter"), table.entry(table.actuationKey(k)).counter}};
  data->setData(QLatin1String(kKeyMimeType), QJsonDocument(copied).toJson(QJsonDocument::Compact));
  return data;
}

PasteReading readPastedKey(const QMimeData* data) {
  if (!data) return readText({});
  if (data->hasFormat(QLatin1String(kKeyMimeType))) {
    if (std::optional<PasteReading> reading = readKeyData(data->data(QLatin1String(kKeyMimeType)))) return *reading;
  }
  return readText(data->text());
}

}  // namespace q4t
