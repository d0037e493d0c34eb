// The about box ("Info"): who makes the program, with the current year in
// the notice line and a button to the maker's web site.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class TBitBtnXP;

// The maker's web site, opened by the main window's web button and the
// about box. The only place the address is written.
inline constexpr const char* kMakerWebAddress = "https://www.ornavo.example/";
// The address as the buttons show it ("www.ornavo.example").
QString makerWebCaption();
// Asks the desktop to open the maker's web site in the browser. Silent when
// that fails (no browser, no network).
void openMakerWebSite();

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* owner = nullptr);

    void FormCreate(QObject* Sender);
    void BitBtnXP1Click(QObject* Sender);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Copyright = nullptr;  // the notice line; "XXXX" becomes the year
    QLabel* Comments = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    TBitBtnXP* BitBtnXP1 = nullptr;
    TBitBtnXP* BitBtn1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};
