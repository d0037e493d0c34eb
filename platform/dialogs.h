// Common dialogs of the host platform: colour choice and file save. Each
// remembers its values between uses like the originals do; tests replace
// the real dialog with a scripted answer through the hooks.
#pragma once

#include <QColor>
#include <QString>
#include <functional>

class QWidget;

class TColorDialog {
public:
    uint32_t Color = 0;  // packed colour, red in the low byte
    bool FullOpen = true;
    bool AnyColor = true;
    // Shows the dialog; true when the user confirmed, Color then holds the choice.
    bool Execute(QWidget* owner);

    using Hook = std::function<bool(TColorDialog&)>;
    static void setHook(Hook hook);
};

// What the file dialogs remember between uses: the start folder, the
// name and the filter chosen.
struct TFileDialogState {
    QString InitialDir;
    QString FileName;
    QString Filter;       // description|mask pairs joined by '|'
    int FilterIndex = 1;  // counted from 1
};

class TSaveDialog : public TFileDialogState {
public:
    QString Title;  // empty: the platform's standard save title
    // Shows the dialog; true when the user confirmed, FileName and
    // FilterIndex then hold the choice.
    bool Execute(QWidget* owner);

    using Hook = std::function<bool(TSaveDialog&)>;
    static void setHook(Hook hook);

    // The title the dialog shows: Title, or the platform's standard one.
    QString shownTitle() const;
    // Asks whether the existing file `path` may be replaced, with the
    // question, title and buttons the dialog itself asks about a typed name
    // that exists. For names the dialog never saw (completed afterwards).
    bool ConfirmReplace(QWidget* owner, const QString& path) const;
};

// File-open dialog: an existing file to read.
class TOpenDialog : public TFileDialogState {
public:
    // Shows the dialog; true when the user chose a file, FileName then holds it.
    bool Execute(QWidget* owner);

    using Hook = std::function<bool(TOpenDialog&)>;
    static void setHook(Hook hook);
};

// The folder each kind of file dialog first opens in: the folder last used
// for that kind of file while it exists, else the loaded motif's folder,
// else the user's Pictures folder (the home folder where there is none).
// Never the program's own folder, a system folder once installed.
class TDialogFolders {
public:
    enum Kind { Palette, Pattern, ChartPicture, Pdf, KindCount };
    QString startFor(Kind kind) const;
    // After a dialog returned `file` for `kind`.
    void used(Kind kind, const QString& file);
    // After a motif was loaded from `file`.
    void motifLoaded(const QString& file);
    // The Pictures folder, or the home folder.
    static QString pictures();

private:
    QString last_[KindCount];
    QString motif_;
};
