#include "platform/printer.h"

#include <QPushButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>


namespace platform {

namespace {

PrinterService*& installed() {
    static PrinterService* p = nullptr;
    return p;
}

// The platform's printers live as long as the application object; the
// printer must go before the print support plugin does.
QtPrinterService*& platformPrinters() {
    static QtPrinterService* p = nullptr;
    return p;
}

void dropPlatformPrinters() {
    delete platformPrinters();
    platformPrinters() = nullptr;
}

QtPrinterService::SetupHook& setupHook() {
    static QtPrinterService::SetupHook h;
    return h;
}

}  // namespace

PrinterService& Printer() {
    if (installed()) return *installed();
    if (!platformPrinters()) {
        platformPrinters() = new QtPrinterService;
        qAddPostRoutine(dropPlatformPrinters);
    }
    return *platformPrinters();
}

void SetPrinter(PrinterService* printer) { installed() = printer; }

// ---------------------------------------------------------------- Qt printers

QtPrinterService::QtPrinterService() = default;

QtPrinterService::~QtPrinterService() {
    if (printing_) Abort();
}

void QtPrinterService::setSetupHook(SetupHook hook) { setupHook() = std::move(hook); }

QPrinter& QtPrinterService::printer() {
    if (!printer_) {
        const QString name = QPrinterInfo::defaultPrinterName();
        if (name.isEmpty()) throw PrinterError(kNoDefaultPrinter);
        const QPrinterInfo info = QPrinterInfo::printerInfo(name);
        if (info.isNull()) throw PrinterError(kInvalidPrinter);
        printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else if (!printing_ && printer_->outputFormat() == QPrinter::NativeFormat &&
               QPrinterInfo::printerInfo(printer_->printerName()).isNull()) {
        // The chosen printer was removed since it was chosen. (Printing
        // to a file needs no printer.)
        throw PrinterError(kInvalidPrinter);
    }
    if (!printer_->isValid()) throw PrinterError(kInvalidPrinter);
    return *printer_;
}

QRect QtPrinterService::paintRect() {
    QPrinter& p = printer();
    return p.pageLayout().paintRectPixels(p.resolution());
}

int QtPrinterService::PageWidth() { return paintRect().width(); }
int QtPrinterService::PageHeight() { return paintRect().height(); }
int QtPrinterService::Resolution() { return printer().resolution(); }

void QtPrinterService::NewPage() {
    if (!printing_) throw PrinterError(kNotPrinting);
    if (!printer_->newPage()) throw PrinterError(kJobNotDelivered);
}

void QtPrinterService::BeginDoc() {
    if (printing_) throw PrinterError(kPrinting);
    QPrinter& p = printer();
    p.setDocName(Title);
    p.setFullPage(false);
    printing_ = painter_.begin(&p);
}

void QtPrinterService::EndDoc() {
    if (!printing_) throw PrinterError(kNotPrinting);
    printing_ = false;
    if (!painter_.end()) throw PrinterError(kJobNotDelivered);
}

void QtPrinterService::Abort() {
    if (!printing_) return;
    printing_ = false;
    printer_->abort();
    if (painter_.isActive()) painter_.end();
}

bool QtPrinterService::Setup(QWidget* owner) {
    QPrinter& p = printer();
    if (setupHook()) return setupHook()(p);
    QPrintDialog dlg(&p, owner);
    dlg.setWindowTitle(QStringLiteral("Druckereinrichtung"));
    dlg.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    // This dialog only sets the printer up; the print command prints.
    if (auto* box = dlg.findChild<QDialogButtonBox*>()) {
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("&OK"));
    }
    return dlg.exec() == QDialog::Accepted;
}

// ---------------------------------------------------------------- image pages

ImagePrinterService::ImagePrinterService(int pageWidth, int pageHeight)
    : width_(pageWidth), height_(pageHeight) {}

ImagePrinterService::~ImagePrinterService() {
    if (painter_.isActive()) painter_.end();
}

void ImagePrinterService::BeginDoc() {
    if (printing_) throw PrinterError(kPrinting);
    if (refuseNextDoc) {
        refuseNextDoc = false;
        return;
    }
    page_ = QImage(width_, height_, QImage::Format_RGB32);
    if (page_.isNull()) return;  // no memory for the page: refused like a document
    page_.fill(Qt::white);
    printing_ = painter_.begin(&page_);
}

void ImagePrinterService::NewPage() {
    if (!printing_) throw PrinterError(kNotPrinting);
    painter_.end();
    pages_.push_back(std::move(page_));
    page_ = QImage(width_, height_, QImage::Format_RGB32);
    if (page_.isNull()) {
        Abort();
        throw PrinterError(kJobNotDelivered);
    }
    page_.fill(Qt::white);
    painter_.begin(&page_);
}

void ImagePrinterService::EndDoc() {
    if (!printing_) throw PrinterError(kNotPrinting);
    printing_ = false;
    painter_.end();
    pages_.push_back(std::move(page_));
    jobs.push_back(Job{Title, std::move(pages_)});
    pages_.clear();
    page_ = QImage();
}

void ImagePrinterService::Abort() {
    if (!printing_) return;
    printing_ = false;
    painter_.end();
    page_ = QImage();
    pages_.clear();
}

}  // namespace platform
