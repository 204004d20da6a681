#include "settings/qt_settings_backend.h"

#include <optional>
#include <utility>

#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace vornalt {
namespace {

QString qtext(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Opens the storage afresh on every call, so each read sees what is stored now (another copy
// of the program or the user may have changed it) and each write reaches the disk at once.
class QtSettingsBackend final : public SettingsBackend {
public:
    QtSettingsBackend(QString location, QSettings::Format format) : location_(std::move(location)), format_(format) {}

    std::optional<std::string> get(std::string_view name) override {
        QSettings settings(location_, format_);
        const QVariant value = settings.value(qtext(name));
        if (!value.isValid()) return std::nullopt;
        // A hand-edited INI line with commas reads back as a list; rejoin it as written.
        if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", ")).toStdString();
        if (!value.canConvert<QString>()) return std::nullopt;
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
    return std::make_unique<QtSettingsBackend>(userinipath(), QSettings::IniFormat);
#endif
}

std::unique_ptr<SettingsBackend> inisettingsbackend(const std::string& path) {
    return std::make_unique<QtSettingsBackend>(QString::fromStdString(path), QSettings::IniFormat);
}

std::string usersettingslocation() {
#ifdef Q_OS_WIN
    return "HKEY_CURRENT_USER\\Software\\Vornalt";
#else
    return userinipath().toStdString();
#endif
}

}  // namespace vornalt
