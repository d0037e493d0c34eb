// Motif loading and preview on page 1: folder tree, file list, file-type
// box, and the preview of the loaded motif.
#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QTreeView>

#include "app/TMainForm.h"
#include "app/motifload.h"
#include "platform/controls.h"
#include "platform/gdi.h"
#include "app/messages.h"
#include "platform/errorreport.h"
#include "raster/PixKit3.h"
#include "platform/drawdib.h"

namespace {

// Whether an entry's name is being edited in the view: its editor is an
// open line edit on the viewport.
bool editingName(QAbstractItemView* view) {
    for (QLineEdit* e : view->viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        if (!e->isHidden()) return true;
    return false;
}

// Carries the file list's double-clicks and key presses to the window's
// handlers, and deselects on a press on empty space, as a file list does.
class ListEvents : public QObject {
public:
    // Owned by the list, so it goes with the list and never outlives it;
    // the window removes it first thing when it is destroyed.
    ListEvents(TMainForm* form, QTreeView* list) : QObject(list), form_(form), list_(list) {
        setObjectName(QStringLiteral("ListEvents"));
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        QTreeView* list = list_;
        if (watched == list->viewport()) {
            const QEvent::Type type = event->type();
            if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
                auto* me = static_cast<QMouseEvent*>(event);
                if (!list->indexAt(me->position().toPoint()).isValid()) {
                    list->clearSelection();
                    list->setCurrentIndex(QModelIndex());
                }
            }
            if (type == QEvent::MouseButtonDblClick) {
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                    form_->JamShellList1DblClick(list);
                    return true;
                }
            }
        } else if (watched == list && event->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(event);
            if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
                char key = 13;
                form_->JamShellList1KeyPress(list, key);
                return key == 0;
            }
        }
        return false;
    }

private:
    TMainForm* form_;
    QTreeView* list_;
};

}  // namespace

namespace motif {

QList<QPair<QString, QString>> filterPairs(const char* filter) {
    QList<QPair<QString, QString>> pairs;
    if (!filter) return pairs;
    const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) pairs.append({parts[i], parts[i + 1]});
    return pairs;
}

QStringList nameFilters(const QString& mask) {
    QStringList out;
    for (const QString& m : mask.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QString t = m.trimmed();
        if (t == QLatin1String("*.*")) t = QStringLiteral("*");
        if (!t.isEmpty()) out.append(t);
    }
    if (out.isEmpty()) out.append(QStringLiteral("*"));
    return out;
}

QSize previewSize(int bw, int bh, int iw, int ih) {
    if (iw <= 0 || ih <= 0 || bw <= 0 || bh <= 0) return QSize(0, 0);
    const int64_t h = int64_t(bw) * ih / iw;
    if (h <= bh) return QSize(bw, int(h));
    return QSize(int(int64_t(bh) * iw / ih), bh);
}

void reportLoadFailure(QWidget* owner, const QString& path, const QString& libraryText) {
    const messages::Box box = messages::loadFailure(path, libraryText);
    errorreport::Report(box.text, owner, box.caption);
}

}  // namespace motif

void TMainForm::setupBrowser() {
    // Folder tree: folders only, its top item the file system's root.
    treeModel = new QFileSystemModel(this);
    treeModel->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    treeModel->setRootPath(QString());
    JamShellTree1->setModel(treeModel);
    for (int c = 1; c < treeModel->columnCount(); ++c) JamShellTree1->hideColumn(c);
    JamShellTree1->setHeaderHidden(true);
    JamShellTree1->setSelectionBehavior(QAbstractItemView::SelectRows);
    JamShellTree1->setSelectionMode(QAbstractItemView::SingleSelection);
    JamShellTree1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Deep folders scroll sideways instead of being cut off.
    JamShellTree1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    JamShellTree1->header()->setStretchLastSection(false);

    // File list: files and folders of the tree's folder; names can be
    // edited in place (F2 or a click on the selected entry).
    listModel = new TFileSystemModel(this);
    listModel->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    listModel->setNameFilterDisables(false);
    listModel->setReadOnly(false);
    JamShellList1->setModel(listModel);
    JamShellList1->setRootIsDecorated(false);
    JamShellList1->setItemsExpandable(false);
    JamShellList1->setSelectionBehavior(QAbstractItemView::SelectRows);
    JamShellList1->setSelectionMode(QAbstractItemView::SingleSelection);
    JamShellList1->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    JamShellList1->setSortingEnabled(true);
    JamShellList1->sortByColumn(0, Qt::AscendingOrder);
    // Name and size; type and date would not fit beside the tree.
    JamShellList1->hideColumn(2);
    JamShellList1->hideColumn(3);
    JamShellList1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    JamShellList1->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    JamShellList1->header()->setStretchLastSection(false);

    connect(JamShellTree1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!current.isValid()) return;
                const QString path = treeModel->filePath(current);
                JamShellList1->setRootIndex(listModel->setRootPath(path));
                JamShellList1->clearSelection();
            });

    auto* events = new ListEvents(this, JamShellList1);
    JamShellList1->installEventFilter(events);
    JamShellList1->viewport()->installEventFilter(events);

    DibPrevPaint->onPaint = [this](QPainter&) { DibPrevPaintPaint(DibPrevPaint); };

    // The file-type box; its change handler sets the list's filter.
    FilterComboBox1->clear();
    for (const auto& [description, mask] : motif::filterPairs(GetDIBOpenFilter())) FilterComboBox1->addItem(description, mask);
    FilterComboBox1Change(FilterComboBox1);

    // Open the tree at the program's folder.
    QModelIndex start = treeModel->index(progpath);
    if (start.isValid()) {
        for (QModelIndex up = start.parent(); up.isValid(); up = up.parent()) JamShellTree1->expand(up);
        JamShellTree1->setCurrentIndex(start);
        JamShellTree1->scrollTo(start);
        // The folders above it are read in the background; keep the start
        // folder in sight while they arrive, until the user moves on.
        auto keepInSight = [this, start = QPersistentModelIndex(start)] {
            if (!start.isValid() || JamShellTree1->currentIndex() != start) return;
            for (QModelIndex up = start.parent(); up.isValid(); up = up.parent()) JamShellTree1->expand(up);
            JamShellTree1->scrollTo(start, QAbstractItemView::PositionAtCenter);
        };
        // Rows arrive and are sorted later; scroll after the view has laid
        // them out, and once more when the window has its final size.
        auto later = [this, keepInSight] { QTimer::singleShot(0, this, keepInSight); };
        connect(treeModel, &QFileSystemModel::directoryLoaded, this, later);
        connect(treeModel, &QAbstractItemModel::layoutChanged, this, later);
        later();
    }
}

void TMainForm::FilterComboBox1Change(QObject*) {
    const QString mask = FilterComboBox1->count() > 0 ? FilterComboBox1->currentData().toString()
                                                      : QStringLiteral("*.*");
    listModel->setNameFilters(motif::nameFilters(mask));
}

void TMainForm::JamShellList1DblClick(QObject*) {
    const QModelIndexList rows = JamShellList1->selectionModel()->selectedRows(0);
    if (rows.isEmpty()) return;
    const QModelIndex entry = rows.first();
    if (listModel->isDir(entry)) {
        // The list's default command on a folder: open it in the browser.
        QModelIndex folder = treeModel->index(listModel->filePath(entry));
        if (!folder.isValid()) return;
        JamShellTree1->expand(folder.parent());
        JamShellTree1->setCurrentIndex(folder);
        JamShellTree1->scrollTo(folder);
        return;
    }
    openfilenow(listModel->filePath(entry));
}

void TMainForm::JamShellList1KeyPress(QObject* Sender, char& Key) {
    if (editingName(JamShellList1) || Key != 13) return;
    JamShellList1DblClick(Sender);
    Key = 0;
}

void TMainForm::openfilenow(const QString& name) {
    // File names are handed to the library in the locale's 8-bit encoding
    // (UTF-8 here), unchanged otherwise.
    const QByteArray path8 = name.toLocal8Bit();
    dib loaded = emptydib();
    OpenDib(&loaded, path8.constData(), 0, this);
    if (loaded.poi) {
        freedib(di);
        di = loaded;
        showMotifInfo();
        breitedChange(this);
        DibPrevPaint->repaint();
        return;
    }
    motif::reportLoadFailure(this, name, QString::fromUtf8(diberrortext(loaded)));
}

void TMainForm::DibPrevPaintPaint(QObject*) {
    QPainter* canvas = DibPrevPaint->canvas();
    if (!canvas) {
        DibPrevPaint->update();  // drawing happens in the paint event only
        return;
    }
    const int iw = dibwidth(di), ih = dibheight(di);
    if (!di.poi || iw <= 0 || ih <= 0) return;
    const QSize size = motif::previewSize(DibPrevPaint->width(), DibPrevPaint->height(), iw, ih);
    if (size.isEmpty()) return;
    PainterDC dc(*canvas);
    drawdib(&dc, 0, 0, size.width(), size.height(), di, 0, 0, iw, ih, true, SRCCOPY);
}
