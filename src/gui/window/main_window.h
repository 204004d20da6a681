#pragma once
// Form1, the main window: the loaded file, the model, both memory views, the configuration
// words, the status line, the five operation buttons and the menus. It draws and forwards: every
// command is a call on the session, and what it shows comes from the session's views.
#include <QMainWindow>
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/window_services.h"
#include "session/session.h"
#include "session/session_start.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;

namespace vornalt::gui {

class ClickableLabel;
class FitLabel;

class Form1 final : public QMainWindow, public WindowServices {
    Q_OBJECT
public:
    // The window owns the session it shows; the session reports to the window.
    Form1(Startup started, SettingsStore& settings, SessionOptions options, QWidget* parent = nullptr);
    ~Form1() override;

    Session& session() { return *session_; }

    // The load sequence; runs once, after the window is shown.
    void formload();

    // Asks the program to end, as the window's close box does: a running operation is stopped
    // at its next step (chip powered down) before the window closes. Open modal boxes close.
    void requestquit();

    // A file given at start or handed over by a second copy: the window comes to the front and
    // opens it (empty: only to the front). While a run or a box has the window, it waits.
    void openhandedfile(const QString& file);

    // WindowServices
    void set_status(std::string_view text) override;
    void process_events() override;
    void message(std::string_view text, MessageIcon icon = MessageIcon::none) override;
    bool question(std::string_view text) override;
    std::string input(std::string_view prompt, std::string_view proposed) override;
    std::string open_file(std::string_view title, std::string_view folder, std::string_view filter) override;
    std::string save_file(std::string_view title, std::string_view folder, std::string_view filter) override;
    void disable() override;
    void enable() override;
    void updatedisplay() override;
    void runshare(double share) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildcontrols();
    void buildmenus();
    void settaborder();
    QAction* additem(QMenu* menu, const char* name, const char* caption, void (Form1::*handler)());
    void setcommandsenabled(bool enabled);
    QWidget* boxparent();
    void showrecentfiles();
    // The caption names the simulator whenever it is the programmer in use.
    void showtitle();
    void openwhenfree(const QString& file);

    // Handlers.
    void runoperation(ChipOperation operation);
    void menuprogram() { runoperation(ChipOperation::programall); }
    void menuread() { runoperation(ChipOperation::readall); }
    void menuerase() { runoperation(ChipOperation::eraseall); }
    void menublank() { runoperation(ChipOperation::blankcheck); }
    void menuverify() { runoperation(ChipOperation::verify); }
    void menuclear();
    void menuopen();
    void menusave();
    void menueditflash();
    void menuediteeprom();
    void menuconfigbits();
    void menueditidwords();
    void menuproduction();
    void menusettings();
    void menucheck();
    void menumodel();
    void menuport();
    void menuprogtime();
    void menuprogrammer();
    void menuportinfo();
    void menuftdiwiring();
    void menuabout();
    void label_hex_click();
    void label_conf1_click();
    void label_conf2_click();

    std::unique_ptr<Session> session_;
    QString title_;
    bool closepending_ = false;
    bool loading_ = false;  // inside formload()

    QPushButton* command0_ = nullptr;
    std::array<QPushButton*, 5> commands_{};  // Command1 .. Command5
    std::array<QMenu*, 6> menus_{};           // menu1 .. menu6
    std::array<QAction*, 4> recent_{};        // the File menu's recent files
    ClickableLabel* label7_ = nullptr;
    ClickableLabel* label_hex_ = nullptr;
    FitLabel* label_ime_ = nullptr;
    FitLabel* label_info_ = nullptr;
    QTextEdit* tabla_flash_ = nullptr;
    QPlainTextEdit* tabla_eeprom_ = nullptr;
    ClickableLabel* label_conf1_ = nullptr;
    QLabel* label2_ = nullptr;
    ClickableLabel* label_conf2_ = nullptr;
    FitLabel* label_status_ = nullptr;
    QString conftip_;  // the configuration labels' own tooltip, before the decoded fields
};

}  // namespace vornalt::gui
