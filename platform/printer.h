// The printer service: the current printer, one job at a time with a title,
// the printable page size in device pixels and a drawing surface for the
// page. Errors are raised as PrinterError with the printer layer's German
// texts; the application's general error report shows them.
#pragma once

#include <QImage>
#include <QPainter>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class QPrinter;
class QWidget;

namespace platform {

inline constexpr const char* kNoDefaultPrinter = "Aktuell ist kein Standarddrucker ausgewählt";
inline constexpr const char* kInvalidPrinter = "Ausgewählter Drucker ist ungültig";
inline constexpr const char* kNotPrinting = "Der Drucker druckt aktuell nicht";
inline constexpr const char* kPrinting = "Der Drucker druckt bereits";
inline constexpr const char* kJobNotDelivered = "Der Druckauftrag konnte nicht an den Drucker übergeben werden";

class PrinterError : public std::runtime_error {
public:
    explicit PrinterError(const char* text) : std::runtime_error(text) {}
    QString text() const { return QString::fromUtf8(what()); }
};

class PrinterService {
public:
    virtual ~PrinterService() = default;

    // Document name shown in the print queue; set before BeginDoc.
    QString Title;

    // Starts the document and its first page. When the platform refuses
    // the document nothing is raised here: Printing() stays false and
    // EndDoc raises kNotPrinting, so nothing reaches the printer.
    virtual void BeginDoc() = 0;
    // Ends the page and the document and hands the job over.
    virtual void EndDoc() = 0;
    // Drops a job that cannot be finished; nothing is printed.
    virtual void Abort() = 0;
    virtual bool Printing() const = 0;
    // Printable area of the current page in device pixels, asked anew on
    // every call (the setup dialog may have changed printer or paper).
    virtual int PageWidth() = 0;
    virtual int PageHeight() = 0;
    // Device pixels per inch of the page.
    virtual int Resolution() = 0;
    // Ends the current page and starts the next one of the same job.
    virtual void NewPage() = 0;
    // The page's painter while Printing(); device (0, 0) is the top left
    // corner of the printable area.
    virtual QPainter& Canvas() = 0;
    // The printer setup dialog (printer, paper, orientation); true on OK.
    virtual bool Setup(QWidget* owner) = 0;
};

// The current printer of the program run.
PrinterService& Printer();
// Replaces the current printer (tests, off-screen printing); nullptr goes
// back to the platform's printers. The caller keeps ownership.
void SetPrinter(PrinterService* printer);

// The platform's printers through Qt: the default printer, or the one last
// chosen in the setup dialog during this run.
class QtPrinterService : public PrinterService {
public:
    QtPrinterService();
    ~QtPrinterService() override;
    void BeginDoc() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override { return printing_; }
    int PageWidth() override;
    int PageHeight() override;
    int Resolution() override;
    void NewPage() override;
    QPainter& Canvas() override { return painter_; }
    bool Setup(QWidget* owner) override;
    // The printer chosen so far, checked against the printers that exist.
    QPrinter& printer();

    using SetupHook = std::function<bool(QPrinter&)>;
    // Replaces the setup dialog in tests (empty function: the real one).
    static void setSetupHook(SetupHook hook);

private:
    QRect paintRect();
    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    bool printing_ = false;
};

// A raster printer with a given page size, printing into images: for tests
// of what reaches the page, and wherever a page is wanted off-screen.
class ImagePrinterService : public PrinterService {
public:
    ImagePrinterService(int pageWidth, int pageHeight);
    ~ImagePrinterService() override;
    void BeginDoc() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override { return printing_; }
    int PageWidth() override { return width_; }
    int PageHeight() override { return height_; }
    int Resolution() override { return resolution_; }
    void NewPage() override;
    QPainter& Canvas() override { return painter_; }
    bool Setup(QWidget*) override { return true; }
    void setPageSize(int w, int h) { width_ = w; height_ = h; }
    void setResolution(int dpi) { resolution_ = dpi; }
    // Makes the next BeginDoc fail like a refused document.
    bool refuseNextDoc = false;

    struct Job {
        QString title;
        std::vector<QImage> pages;
    };
    std::vector<Job> jobs;  // finished jobs, oldest first

private:
    int width_;
    int height_;
    int resolution_ = 600;
    std::vector<QImage> pages_;  // the job's finished pages
    QImage page_;
    QPainter painter_;
    bool printing_ = false;
};

}  // namespace platform
