#include "settings/qt_settings_backend.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <string_view>
#include <vector>

#include "settings/setting_names.h"
#include "settings/settings_store.h"

namespace vornalt {
namespace {

class IniSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }
    // In a subfolder that does not exist yet, as ~/.config/Vornalt on a first start.
    std::string path() const { return folder_.filePath(QStringLiteral("Vornalt/Vornalt.ini")).toStdString(); }

    QTemporaryDir folder_;
};

TEST_F(IniSettingsTest, ValuesSurviveANewStoreObject) {
    const std::string texts[] = {
        "632",
        "",
        "/home/user/hex files/",
        "C:\\Tools\\PP\\",
        "a, b, c",
        "\"quoted\" text",
        "@ByteArray(x)",
        "key=value; # not a comment",
        "  padded  ",
        "two\r\nlines \\ \"",
        "gr\xC3\xBC\xC3\x9F" "e",
    };
    {
        auto backend = inisettingsbackend(path());
        SettingsStore store(*backend);
        EXPECT_EQ(store.readsetting(k_setting_model, "1"), "1");  // created on read
        for (std::size_t i = 0; i < std::size(texts); ++i) store.writesetting("Value " + std::to_string(i), texts[i]);
    }
    auto backend = inisettingsbackend(path());
    SettingsStore store(*backend);
    EXPECT_EQ(store.readsetting(k_setting_model, "2"), "1");
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        EXPECT_EQ(store.readsetting("Value " + std::to_string(i), "missing"), texts[i]) << i;
    }
}

TEST_F(IniSettingsTest, WriteLeavesOnlyTheFinishedFile) {
    auto backend = inisettingsbackend(path());
    backend->set(k_setting_lastpath, "/tmp/");
    const QDir dir(folder_.filePath(QStringLiteral("Vornalt")));
    EXPECT_EQ(dir.entryList(QDir::Files), QStringList{QStringLiteral("Vornalt.ini")});
}

TEST_F(IniSettingsTest, RemoveDeletesTheValue) {
    auto backend = inisettingsbackend(path());
    backend->set(k_setting_vddpin, "4");
    backend->remove(k_setting_vddpin);
    EXPECT_FALSE(inisettingsbackend(path())->get(k_setting_vddpin).has_value());
}

// Lines as a user types them into the file, and as Qt writes them: each reads back as the text
// it stands for, and survives another setting being written beside it.
TEST_F(IniSettingsTest, HandEditedLinesReadAsWritten) {
    QDir().mkpath(folder_.filePath(QStringLiteral("Vornalt")));
    QFile file(QString::fromStdString(path()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\r\n"
               "Last%20Path=/data/a, b/\r\n"
               "Last Path 2 = /data/a,b/\r\n"
               "Variant=@Variant(\\0\\0)\r\n"
               "Quoted=\"  two, spaces  \"\r\n");
    file.close();
    const std::pair<const char*, const char*> expected[] = {
        {"Last Path", "/data/a, b/"},
        {"Last Path 2", "/data/a,b/"},
        {"Variant", "@Variant(\\0\\0)"},
        {"Quoted", "  two, spaces  "},
    };
    inisettingsbackend(path())->set(k_setting_vddpin, "4");
    for (const auto& [name, text] : expected) {
        EXPECT_EQ(inisettingsbackend(path())->get(name), std::optional<std::string>(text)) << name;
    }
}

// A settings file that cannot be kept: the change works for this run, the user is told once
// why it will not last, and what is on disk stays exactly as it was (mode included, even for
// root, who could write a read-only file).
TEST_F(IniSettingsTest, UnsavableSettingsAreReportedOnceAndLeaveTheFileAlone) {
    struct Case {
        const char* name;
        QByteArray content;  // of the file at path(); empty: a folder stands there instead
        QFileDevice::Permissions mode;
        const char* reason;
    };
    const QFileDevice::Permissions readonly = QFileDevice::ReadOwner | QFileDevice::ReadUser;
    const Case cases[] = {
        {"read-only file", "[General]\nModel=3\n", readonly, "is read-only"},
        {"folder in its place", "", {}, "cannot be written"},
        {"oversized file", QByteArray("[General]\nModel=3\n") + QByteArray(70 * 1024, ';'),
         QFileDevice::ReadOwner | QFileDevice::WriteOwner, "is larger than"},
    };
    for (const Case& c : cases) {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("Vornalt.ini"));
        if (c.content.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(file)) << c.name;
        } else {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << c.name;
            out.write(c.content);
            out.close();
            ASSERT_TRUE(out.setPermissions(c.mode)) << c.name;
        }
        std::vector<std::string> reports;
        {
            auto backend = inisettingsbackend(file.toStdString());
            SettingsStore store(*backend);
            store.on_save_failure([&reports](std::string_view reason) { reports.emplace_back(reason); });
            store.writesetting(k_setting_model, "5");
            store.writesetting(k_setting_vddpin, "6");
            EXPECT_EQ(store.readsetting(k_setting_model, "1"), "5") << c.name;  // this run keeps its change
        }
        ASSERT_EQ(reports.size(), 1U) << c.name;
        EXPECT_NE(reports[0].find(file.toStdString()), std::string::npos) << c.name << ": " << reports[0];
        EXPECT_NE(reports[0].find(c.reason), std::string::npos) << c.name << ": " << reports[0];
        if (c.content.isEmpty()) continue;
        QFile in(file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << c.name;
        EXPECT_EQ(in.readAll(), c.content) << c.name;
        EXPECT_EQ(in.permissions() & QFileDevice::WriteOwner, c.mode & QFileDevice::WriteOwner) << c.name;
    }
}

}  // namespace
}  // namespace vornalt
