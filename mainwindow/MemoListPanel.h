// The memo list and its header labels (the day, the view's title, the week),
// and the views of the "Vertoon" menu that fill it: the ten weeks, from a
// date, a year, the whole file and the search, with the list font and the
// chime. The search and year dialogs keep their answers from one use to the
// next, so the panel keeps them.
#pragma once

#include <QFont>
#include <QObject>
#include <functional>
#include <optional>
#include <string>

#include "diary/Selection.h"

class QFrame;
class QLabel;
class QWidget;

namespace jotanor {

class ErrorSink;
class MemoBlocks;
class MemoListBox;
class MemoListModel;
class Session;
class Theeljaardlg;
class Tzoekdlg;
struct Platform;
struct Settings;

class MemoListPanel : public QObject {
    Q_OBJECT

public:
    // Places Label1 to Label3 and Panel1 with ListBox1 in `client`; the
    // dialogs belong to `window`.
    MemoListPanel(QWidget& window, QWidget& client, Platform& platform, ErrorSink& errors, Session& session,
                  const Settings& settings);

    MemoListBox* list() const { return list_; }
    QFrame* frame() const { return listPanel_; }
    const MemoBlocks& blocks() const;
    // The memo shown at the selected list line.
    std::optional<ShownMemo> selectedLine() const;

    // The ten-week view, `weeksBack` weeks back.
    void aantalwekenterug(int weeksBack);
    // The from-date view of `from`, without asking.
    void vanaf1(DaySerial from);
    // Shows the view named by the session's view mode again.
    void reshowView();
    // The list font from the settings.
    void setsize();

    void Vanafdatum1Click();
    void Alles1Click();
    void HelebestandClick();
    void Idemvanafxwekenterug1Click();
    void Zoeken1Click();

private:
    void showWeekLabel();
    // Lists the memos that hold the words of `text`.
    void opgezocht1(const std::string& text);
    void setTitles(const QString& title);
    // Fills ListBox1 with the blocks `fill` appends and gives their number;
    // on a failure the list keeps the memos read before it.
    std::size_t fillList(const std::function<std::size_t(MemoBlocks&)>& fill);
    void chime();

    QWidget& window_;
    Platform& platform_;
    ErrorSink& errors_;
    Session& session_;
    const Settings& settings_;
    QFont designListFont_;  // ListBox1's font when no size is set
    QLabel* todayLabel_ = nullptr;  // Label1
    QLabel* titleLabel_ = nullptr;  // Label2
    QLabel* weekLabel_ = nullptr;   // Label3
    QFrame* listPanel_ = nullptr;   // Panel1
    MemoListBox* list_ = nullptr;   // ListBox1
    MemoListModel* listModel_ = nullptr;
    Tzoekdlg* searchDialog_ = nullptr;
    Theeljaardlg* yearDialog_ = nullptr;
};

}  // namespace jotanor
