// The options dialog: changes one of the main window's four settings at a
// time. It fills itself from the settings it is given each time it is shown
// and, on "Voer de gewenste optie in", changes the selected option only.
#pragma once

#include <filesystem>

#include "widgets/Dialog.h"
#include "store/Settings.h"

class QButtonGroup;
class QFrame;
class QLabel;
class QRadioButton;

namespace jotanor {

class SpinEdit;

class TOptionsdlg : public Dialog {
    Q_OBJECT

public:
    enum class Option { BackupPlace, StartPosition, FontSize, WeekColours };

    TOptionsdlg(QWidget* parent, const DialogContext& context);

    // The settings the next opening shows.
    void setSettings(const Settings& settings) { settings_ = settings; }
    // After OK: the settings with the confirmed option changed.
    const Settings& settings() const { return settings_; }
    // After OK: the option that was confirmed.
    Option confirmed() const { return confirmed_; }
    // The memo file in use, which cannot be its own backup place.
    void setMemoFile(const std::filesystem::path& file) { memoFile_ = file; }

protected:
    void FormActivate() override;
    // Any of the four option buttons: shows the panels of the selected one.
    void RadioButtonClick();
    void RadioButton1Click();
    void SpinEdit1Change(int value);
    void Button1Click();
    void Button2Click();
    void Button3Click();

private:
    void showPlace(const QString& place);

    // Whether `place` names the memo file in use itself.
    bool isMemoFile(const QString& place) const;

    Settings settings_;
    std::filesystem::path memoFile_;
    Option confirmed_ = Option::StartPosition;
    QString pending_;
    QButtonGroup* weekColours_ = nullptr;
    QRadioButton* backupOption_ = nullptr;    // RadioButton1
    QRadioButton* positionOption_ = nullptr;  // RadioButton2
    QRadioButton* fontOption_ = nullptr;      // RadioButton3
    QRadioButton* colourOption_ = nullptr;    // RadioButton4
    QRadioButton* evenGreen_ = nullptr;       // RadioButton5
    QRadioButton* oddGreen_ = nullptr;        // RadioButton6
    QFrame* backupPanel_ = nullptr;           // Panel1
    QFrame* leftPanel_ = nullptr;             // Panel2
    QFrame* fontPanel_ = nullptr;             // Panel3
    QFrame* bottomPanel_ = nullptr;           // Panel4
    QFrame* colourPanel_ = nullptr;           // Panel5
    QLabel* place_ = nullptr;                 // Label1
    QLabel* sample_ = nullptr;                // Label3, "Voorbeeldtekst"
    SpinEdit* fontSpin_ = nullptr;            // SpinEdit1
    SpinEdit* leftSpin_ = nullptr;            // SpinEdit2
    SpinEdit* bottomSpin_ = nullptr;          // SpinEdit3
};

}  // namespace jotanor
