// Motif loading and preview on page 1: folder tree, file list, file-type
// box, and the preview of the loaded motif.
#include <algorithm>
#include <memory>

#include <QAbstractFileIconProvider>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

#include "app/TMainForm.h"
#include "app/motifload.h"
#include "app/pictures.h"
#include "platform/dialogs.h"
#include "platform/settings.h"
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

// Folders, pictures the library opens and other files at a glance, the same
// on every desktop (themes without icons would show none).
class FileIcons : public QAbstractFileIconProvider {
public:
    explicit FileIcons(const QStringList& pictureMasks)
        : folder_(pictures::get(pictures::Id::ListFolder)),
          picture_(pictures::get(pictures::Id::ListPicture)),
          file_(pictures::get(pictures::Id::ListFile)),
          masks_(pictureMasks) {}

    QIcon icon(IconType type) const override { return type == File ? file_ : folder_; }
    QIcon icon(const QFileInfo& info) const override {
        if (info.isDir()) return folder_;
        return QDir::match(masks_, info.fileName()) ? picture_ : file_;
    }

private:
    QIcon folder_, picture_, file_;
    QStringList masks_;
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

QString samplesFolder(const QString& progpath) {
    const QString folder = QDir::cleanPath(progpath + QStringLiteral("/../share/tricoma/samples"));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString startFolder(const QString& progpath, const QString& remembered) {
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return remembered;
    const QString samples = samplesFolder(progpath);
    return samples.isEmpty() ? progpath : samples;
}

namespace {
const QString kGroup = QStringLiteral("MotifBrowser");
const QString kLastFolder = QStringLiteral("LastFolder");
}  // namespace

QString rememberedFolder() {
    auto s = platform::UserSettings();
    return s->value(kGroup + QLatin1Char('/') + kLastFolder).toString();
}

void rememberFolder(const QString& folder) {
    auto s = platform::UserSettings();
    s->setValue(kGroup + QLatin1Char('/') + kLastFolder, folder);
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
    // Scrolling by hand ends the keeping in sight of the folder opened last.
    for (QScrollBar* bar : {JamShellTree1->horizontalScrollBar(), JamShellTree1->verticalScrollBar()})
        connect(bar, &QAbstractSlider::actionTriggered, this, [this] { treeTarget_ = QPersistentModelIndex(); });

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

    const auto filters = motif::filterPairs(GetDIBOpenFilter());
    fileIcons_ = std::make_unique<FileIcons>(
        motif::nameFilters(filters.isEmpty() ? QString() : filters.first().second));
    treeModel->setIconProvider(fileIcons_.get());
    listModel->setIconProvider(fileIcons_.get());

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
    for (const auto& [description, mask] : filters) FilterComboBox1->addItem(description, mask);
    FilterComboBox1->addItem(QString::fromUtf8(motif::kAllFilesText), QString::fromLatin1(motif::kAllFilesMask));
    FilterComboBox1Change(FilterComboBox1);

    // The folders above the one shown are read in the background; rows
    // arrive and are sorted later. Scroll after the view has laid them out,
    // and once more when the window has its final size.
    auto later = [this] { QTimer::singleShot(0, this, [this] { keepTreeFolderInSight(); }); };
    connect(treeModel, &QFileSystemModel::directoryLoaded, this, later);
    connect(treeModel, &QAbstractItemModel::layoutChanged, this, later);
    // The column takes its width from the rows laid out; the room to scroll
    // sideways grows after them.
    connect(JamShellTree1->horizontalScrollBar(), &QAbstractSlider::rangeChanged, this, later);

    showTreeFolder(motif::startFolder(progpath, motif::rememberedFolder()));
}

void TMainForm::showTreeFolder(const QString& folder) {
    const QModelIndex index = treeModel->index(folder);
    if (!index.isValid()) return;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) JamShellTree1->expand(up);
    JamShellTree1->setCurrentIndex(index);
    // Kept in sight while the folders around it arrive, until the user
    // moves on (another folder, or scrolling by hand).
    treeTarget_ = QPersistentModelIndex(index);
    keepTreeFolderInSight();
    QTimer::singleShot(0, this, [this] { keepTreeFolderInSight(); });
}

void TMainForm::keepTreeFolderInSight() {
    if (!treeTarget_.isValid() || JamShellTree1->currentIndex() != treeTarget_) return;
    const QModelIndex index = treeTarget_;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) JamShellTree1->expand(up);
    JamShellTree1->scrollTo(index, QAbstractItemView::PositionAtCenter);
    // Centring also centres sideways, which cuts the names off at the left
    // once the column is wider than the tree. Show the folder from its
    // expand arrow on, and as much of the path to the left as leaves its
    // name whole.
    QScrollBar* bar = JamShellTree1->horizontalScrollBar();
    const QRect cell = JamShellTree1->visualRect(index);
    const int arrow = bar->value() + cell.left() - JamShellTree1->indentation();
    const int nameEnd = bar->value() + cell.left() + JamShellTree1->sizeHintForIndex(index).width();
    const int shown = JamShellTree1->viewport()->width();
    bar->setValue(std::max(0, std::min(arrow, nameEnd - shown)));
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
        showTreeFolder(listModel->filePath(entry));
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
        const bool partial = dibpartial(loaded);
        document_->setMotif(loaded, false);
        showMotifInfo();
        breitedChange(this);
        // A grey rest must not pass for part of the motif; the notice does
        // not stop the user, who may want the part that is there.
        PartialNotice->setText(partial ? messages::partialPicture() : QString());
        PartialNotice->setVisible(partial);
        DibPrevPaint->repaint();
        motif::rememberFolder(QFileInfo(name).absolutePath());
        dialogFolders->motifLoaded(name);
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

void TMainForm::openFromCommandLine(const QString& file) {
    const QFileInfo info(file);
    showTreeFolder(info.absolutePath());
    openfilenow(info.absoluteFilePath());
}
