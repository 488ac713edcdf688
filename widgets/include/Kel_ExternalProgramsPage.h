// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Kel::ExternalProgramsPage: a preferences page for the PDF viewer and the web browser, with a live check of each command line.
 */
#pragma once

#include <kel_guiutilities_widgets_export.h>

#include <QtWidgets/QWidget>

#include <memory>

QT_FORWARD_DECLARE_CLASS(QUrl)

namespace Kel {

/**
 * A preferences page for the PDF viewer and the web browser.
 *
 * For each: the system's default or the user's own command line, a
 * "Browse…" button, a line that tells as the user types what would start or
 * what is wrong (Kel::ViewerCommand), and "Try", which starts the program on a
 * sample file or page. The page shows the stored preferences when it is made;
 * nothing is stored before apply().
 *
 * Its controls are named for style sheets and tests: "pdfViewer" and
 * "webBrowser" followed by UseDefault, UseCommand, CommandLine, Browse,
 * Verdict, Try and Tried (the outcome of the last try); VerdictIcon and
 * TriedIcon show the style's warning icon beside a problem.
 *
 * Its messages wrap, and the page grows its window whenever they need more
 * height than the window has at its width. Enter in a command line that would
 * not start stays on the page instead of reaching the dialog's default button.
 *
 * @code
 * auto *programs = new Kel::ExternalProgramsPage(dialog);
 * auto updateApply = [programs, apply] { apply->setEnabled(programs->hasChanges() && !programs->hasProblems()); };
 * connect(programs, &Kel::ExternalProgramsPage::changed, apply, updateApply);
 * connect(buttons, &QDialogButtonBox::accepted, programs, &Kel::ExternalProgramsPage::apply);
 * connect(dialog, &QDialog::rejected, programs, &Kel::ExternalProgramsPage::reset);
 * @endcode
 *
 * @threads The GUI thread, as for every widget.
 * @since 1.19
 */
class KEL_GUIUTILITIES_WIDGETS_EXPORT ExternalProgramsPage : public QWidget
{
    Q_OBJECT
public:
    /**
     * A page showing the stored preferences.
     *
     * @param parent the parent widget, or null
     * @blocking Reads the store (see Kel::UserSettings).
     */
    explicit ExternalProgramsPage(QWidget *parent = nullptr);
    /** Destroys the page; nothing is stored. */
    ~ExternalProgramsPage() override;

    /** @return whether what the page shows differs from the store as last read or written */
    bool hasChanges() const;

    /**
     * Whether a command line the page shows as chosen would not start its
     * program as written (see Kel::ViewerCommand::problems()); the page says
     * why beside it. A host typically keeps OK and Apply disabled meanwhile.
     * The answer is the one the page showed when the line was last edited.
     *
     * @return true while a chosen command line has a problem
     * @since 1.20
     */
    bool hasProblems() const;

    /**
     * Sets the address that the web browser's "Try" opens.
     *
     * @param url the address; an empty one restores the default, the
     *        product's web site for the user's language
     * @since 1.20
     */
    void setWebBrowserTryUrl(const QUrl &url);

    /**
     * @return the address that the web browser's "Try" opens
     * @since 1.20
     */
    QUrl webBrowserTryUrl() const;

public Q_SLOTS:
    /**
     * Stores what the page shows.
     *
     * @blocking Writes the store (see Kel::UserSettings).
     */
    void apply();
    /**
     * Shows the stored preferences again, dropping the page's changes.
     *
     * @blocking Reads the store (see Kel::UserSettings).
     */
    void reset();
    /**
     * Shows the defaults: the system's default programs and no command lines
     * of the user's. Nothing is stored before apply(); changed() is emitted
     * when the page shows something new.
     *
     * @since 1.20
     */
    void restoreDefaults();

Q_SIGNALS:
    /** The user changed a value on the page; hasChanges() tells whether it now differs from the store. */
    void changed();

protected:
    /**
     * Follows a change of language: the page's texts are translated again.
     *
     * @param event the change
     */
    void changeEvent(QEvent *event) override;

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Kel
