#include "widgets/DayMemoPanel.h"

#include <QPlainTextEdit>
#include <QStringList>

#include "platform/Platform.h"

namespace jotanor {

void showDayMemos(QPlainTextEdit& panel, const std::function<std::vector<std::string>()>& readLines) {
    panel.hide();
    panel.clear();
    QStringList lines;
    for (const std::string& line : readLines()) lines << fromMemoText(line);
    if (!lines.isEmpty()) panel.setPlainText(lines.join('\n'));
    panel.show();
}

}  // namespace jotanor
