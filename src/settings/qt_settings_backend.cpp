#include "settings/qt_settings_backend.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <QFileDevice>
#include <QFileInfo>
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

// A settings file holds a few dozen short values; anything far larger is not ours to parse.
constexpr qint64 k_max_settings_bytes = 64 * 1024;

std::string utf8(const QString& q) { return q.toStdString(); }

// Reads the storage once, when the first value is asked for, and writes it once per change.
// Values that cannot be kept (the file or its folder cannot be written, the file is read-only,
// or it is too large to be a settings file) still work until the program ends; saveproblem()
// says why they will not last. A read-only or oversized file is left exactly as it is.
class QtSettingsBackend final : public SettingsBackend {
public:
    QtSettingsBackend(QString location, QSettings::Format format) : location_(std::move(location)), format_(format) {}

    std::optional<std::string> get(std::string_view name) override {
        if (const auto kept = unsaved_.find(std::string(name)); kept != unsaved_.end()) return kept->second;
        QSettings* settings = open();
        if (settings == nullptr) return std::nullopt;
        const QVariant value = settings->value(qtext(name));
        if (!value.isValid() || !value.canConvert<QString>()) return std::nullopt;
        return value.toString().toStdString();
    }

    void set(std::string_view name, std::string_view text) override {
        if (QSettings* settings = writable(name, std::string(text))) settings->setValue(qtext(name), qtext(text));
        sync();
    }

    void remove(std::string_view name) override {
        if (QSettings* settings = writable(name, std::nullopt)) settings->remove(qtext(name));
        sync();
    }

    std::string saveproblem() const override { return problem_; }

private:
    // The storage, or null when it must not be touched (an oversized file).
    QSettings* open() {
        if (!opened_) {
            opened_ = true;
            const QFileInfo file(location_);
            if (format_ != QSettings::NativeFormat && file.isFile() && file.size() > k_max_settings_bytes) {
                problem_ = "Settings cannot be saved: " + utf8(location_) + " is larger than " +
                           std::to_string(k_max_settings_bytes / 1024) +
                           " KiB, far more than settings take, so it is neither read nor changed. The defaults are "
                           "used; delete or shorten the file to keep settings again.";
                return nullptr;
            }
            settings_ = std::make_unique<QSettings>(location_, format_);
            // The INI file is replaced through a temporary file, so a crash during the write
            // leaves either the old file or the new one, never a torn one. (Qt's default; set
            // here so that nobody turns it off by accident.)
            settings_->setAtomicSyncRequired(true);
        }
        return settings_.get();
    }

    // The storage to change, or null when the change can only be kept in memory.
    QSettings* writable(std::string_view name, std::optional<std::string> value) {
        QSettings* settings = open();
        if (settings != nullptr && format_ != QSettings::NativeFormat && readonlyfile()) {
            problem_ = "Settings cannot be saved: " + utf8(location_) +
                       " is read-only. Changes last until the program ends; make the file writable to keep them.";
        }
        if (settings == nullptr || !problem_.empty()) {
            // Kept beside the storage, never in it: QSettings would write it out when it goes.
            unsaved_[std::string(name)] = std::move(value);
            return nullptr;
        }
        return settings;
    }

    void sync() {
        if (settings_ == nullptr || !problem_.empty()) return;
        settings_->sync();
        if (settings_->status() != QSettings::NoError) {
            problem_ = "Settings cannot be saved: " + utf8(location_) +
                       " cannot be written. Changes last until the program ends; check that its folder exists, is a "
                       "folder and is writable.";
        }
    }

    // Checked by its mode bits rather than by access(): root may write any file, but a settings
    // file its owner made read-only is meant to stay as it is.
    bool readonlyfile() const {
        const QFileInfo file(location_);
        return file.isFile() && !(file.permissions() & QFileDevice::WriteOwner);
    }

    QString location_;
    QSettings::Format format_;
    std::unique_ptr<QSettings> settings_;
    bool opened_ = false;
    std::string problem_;
    // Changes that could not be saved, so this run still reads them (nullopt: removed).
    std::map<std::string, std::optional<std::string>> unsaved_;
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
