#pragma once
// The program's modal boxes on Qt: message boxes, the yes/no question, the single-line input box
// and the file dialogs, each titled with the window title. Texts come in the program's own form
// (lines separated by CR LF, filters as "Name (*.ext)|*.ext|..." pairs) and are turned into
// Qt's here.
#include <QString>
#include <string>
#include <string_view>

#include "platform/window_services.h"

class QWidget;

namespace vornalt::gui {

// A text with CR LF (or a lone CR) between lines as Qt shows it: lines separated by LF.
QString displaytext(std::string_view text);

// "Intel HEX files (*.hex)|*.hex|All files (*.*)|*.*" -> "Intel HEX files (*.hex);;All files (*.*)".
QString qtfilter(std::string_view filter);

void showmessage(QWidget* parent, const QString& title, std::string_view text, MessageIcon icon);
bool askyesno(QWidget* parent, const QString& title, std::string_view text);
// The typed text, or the empty text when the user cancels.
std::string askinput(QWidget* parent, const QString& title, std::string_view prompt, std::string_view proposed);
// The chosen file's full name, or the empty text on Cancel.
std::string askopenfile(QWidget* parent, std::string_view title, std::string_view folder, std::string_view filter);
std::string asksavefile(QWidget* parent, std::string_view title, std::string_view folder, std::string_view filter);

// Closes the open modal boxes and dialogs, the topmost first, each as its own close box would
// (so a hardware dialog switches its lines off); `keep` and what lies under it stay.
void closemodalboxes(const QWidget* keep = nullptr);

}  // namespace vornalt::gui
