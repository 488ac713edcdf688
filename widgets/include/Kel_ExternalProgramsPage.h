// Kel::ExternalProgramsPage: a preferences page for the PDF viewer and the web browser, with a live check of each command line.
#pragma once

#include <kel_guiutilities_widgets_export.h>

#include <QtWidgets/QWidget>

#include <memory>

namespace Kel {

// For the PDF viewer and for the web browser: the system's default or the
// user's own command line, a "Browse…" button, a line that tells as the user
// types what would start or what is wrong, and "Try". The page shows the
// stored preferences when it is made; nothing is stored before apply().
// Its controls are named for style sheets and tests: "pdfViewer" and
// "webBrowser" followed by UseDefault, UseCommand, CommandLine, Browse,
// Verdict, Try and Tried (the outcome of the last try).
class KEL_GUIUTILITIES_WIDGETS_EXPORT ExternalProgramsPage : public QWidget
{
    Q_OBJECT
public:
    explicit ExternalProgramsPage(QWidget *parent = nullptr);
    ~ExternalProgramsPage() override;

    // Whether what the page shows differs from the store as last read or written.
    bool hasChanges() const;

public Q_SLOTS:
    // Stores what the page shows.
    void apply();
    // Shows the stored preferences again, dropping the page's changes.
    void reset();

Q_SIGNALS:
    // The user changed a value on the page; hasChanges() tells whether it now
    // differs from the store.
    void changed();

protected:
    void changeEvent(QEvent *event) override;

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Kel
