#include "calendar/DayMemoPanel.h"

#include <QPlainTextEdit>
#include <QStringList>

#include "calendar/core/CalendarGrid.h"
#include "platform/Platform.h"

namespace jotanor {

void showDayMemos(QPlainTextEdit& panel, MemoFile& memos, DaySerial day) {
    panel.hide();
    panel.clear();
    QStringList lines;
    for (const std::string& line : dayMemoLines(memos, day)) lines << fromMemoText(line);
    if (!lines.isEmpty()) panel.setPlainText(lines.join('\n'));
    panel.show();
}

}  // namespace jotanor
