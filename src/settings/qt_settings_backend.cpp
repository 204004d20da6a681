#include "settings/qt_settings_backend.h"

#include <optional>
#include <utility>

#include <QIODevice>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

namespace vornalt {
namespace {

QString qtext(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The settings file holds plain text: "name=value" under [General]. Qt's own INI reading turns a
// value with a comma into a list and an "@Variant(" value into nothing, so a value edited by hand
// would not read back as written (and would be rewritten altered). This format reads every value
// as the text it is. A value that could not stand as it is (spaces at either end, a line break, a
// leading quote) is written in quotes with \" \\ \r \n escapes, which is also how Qt quotes
// values, so files Qt wrote read the same.
QString decodedkey(const QString& key) { return QUrl::fromPercentEncoding(key.toUtf8()); }

QString encodedkey(const QString& key) {
    // Characters that would end or confuse a key; everything else stays readable.
    return QString::fromUtf8(QUrl::toPercentEncoding(key, " !\"#$&'()*+,-./:<>?@^_`{|}~"));
}

QString unquoted(const QString& value) {
    QString text;
    text.reserve(value.size());
    for (qsizetype i = 1; i + 1 < value.size(); ++i) {
        QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 2 < value.size()) {
            const QChar next = value[++i];
            c = next == QLatin1Char('n') ? QChar('\n') : next == QLatin1Char('r') ? QChar('\r') : next;
        }
        text += c;
    }
    return text;
}

bool needsquotes(const QString& value) {
    if (value.isEmpty()) return false;
    return value.front().isSpace() || value.back().isSpace() || value.front() == QLatin1Char('"') ||
           value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'));
}

QString quoted(const QString& value) {
    QString text = QStringLiteral("\"");
    for (const QChar c : value) {
        if (c == QLatin1Char('\n')) {
            text += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\r')) {
            text += QStringLiteral("\\r");
        } else {
            if (c == QLatin1Char('"') || c == QLatin1Char('\\')) text += QLatin1Char('\\');
            text += c;
        }
    }
    return text + QLatin1Char('"');
}

bool readplain(QIODevice& device, QSettings::SettingsMap& map) {
    QString section;
    const QStringList lines = QString::fromUtf8(device.readAll()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = decodedkey(line.mid(1, line.size() - 2));
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) continue;
        QString key = decodedkey(line.left(equals).trimmed());
        if (!section.isEmpty() && section.compare(QStringLiteral("General"), Qt::CaseInsensitive) != 0) {
            key = section + QLatin1Char('/') + key;
        }
        const QString value = line.mid(equals + 1).trimmed();
        const bool isquoted = value.size() >= 2 && value.front() == QLatin1Char('"') && value.back() == QLatin1Char('"');
        map.insert(key, isquoted ? unquoted(value) : value);
    }
    return true;
}

bool writeplain(QIODevice& device, const QSettings::SettingsMap& map) {
    QString text = QStringLiteral("[General]\n");
    for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
        const QString value = entry.value().toString();
        text += encodedkey(entry.key()) + QLatin1Char('=') + (needsquotes(value) ? quoted(value) : value) + QLatin1Char('\n');
    }
    return device.write(text.toUtf8()) >= 0;
}

QSettings::Format plaintextformat() {
    // Registered once per process; the format is Qt's registry entry, not state of ours.
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("ini"), readplain, writeplain);
    return format;
}

// Opens the storage afresh on every call, so each read sees what is stored now (another copy
// of the program or the user may have changed it) and each write reaches the disk at once.
class QtSettingsBackend final : public SettingsBackend {
public:
    QtSettingsBackend(QString location, QSettings::Format format) : location_(std::move(location)), format_(format) {}

    std::optional<std::string> get(std::string_view name) override {
        QSettings settings(location_, format_);
        const QVariant value = settings.value(qtext(name));
        if (!value.isValid() || !value.canConvert<QString>()) return std::nullopt;
        return value.toString().toStdString();
    }

    void set(std::string_view name, std::string_view text) override {
        QSettings settings(location_, format_);
        // The INI file is replaced through a temporary file, so a crash during the write leaves
        // either the old file or the new one, never a torn one. (This is Qt's default; it is set
        // here so that nobody turns it off by accident.)
        settings.setAtomicSyncRequired(true);
        settings.setValue(qtext(name), qtext(text));
        settings.sync();
    }

    void remove(std::string_view name) override {
        QSettings settings(location_, format_);
        settings.setAtomicSyncRequired(true);
        settings.remove(qtext(name));
        settings.sync();
    }

private:
    QString location_;
    QSettings::Format format_;
};

QString userinipath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Vornalt/Vornalt.ini");
}

}  // namespace

std::unique_ptr<SettingsBackend> usersettingsbackend() {
#ifdef Q_OS_WIN
    return std::make_unique<QtSettingsBackend>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Vornalt"), QSettings::NativeFormat);
#else
    return std::make_unique<QtSettingsBackend>(userinipath(), plaintextformat());
#endif
}

std::unique_ptr<SettingsBackend> inisettingsbackend(const std::string& path) {
    return std::make_unique<QtSettingsBackend>(QString::fromStdString(path), plaintextformat());
}

std::string usersettingslocation() {
#ifdef Q_OS_WIN
    return "HKEY_CURRENT_USER\\Software\\Vornalt";
#else
    return userinipath().toStdString();
#endif
}

}  // namespace vornalt
