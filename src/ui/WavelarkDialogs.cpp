// The small dialogs every menu command uses: the file picker and the text
// entry.
#include "Wavelark.h"

#include "Dialog.h"
#include "FileBrowser.h"
#include "KeyBindings.h"
#include "ScreenRects.h"
#include "WavelarkConfig.h"

#include <QDir>
#include <QKeyEvent>
#include <QPlainTextEdit>

namespace {

// The Return key of the text entry accepts the dialog instead of starting
// a new line (the entry is multi-line only so that long URLs wrap).
class ReturnAccepts : public QObject
{
public:
    explicit ReturnAccepts(QDialog *dialog) : QObject(dialog), dialog_(dialog) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                dialog_->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QDialog *dialog_;
};

} // namespace

Wavelark::FileChoice Wavelark::fileDialog(const QString &title, const QString &filter,
                                          FileDialogMode mode, const QString &startFolder)
{
    Dialog dialog(title, Dialog::Kind::Normal, this);
    auto *browser = new FileBrowser(filter, &dialog, QStringLiteral("fileBrowser"), mode,
                                    config_->firstKeycode(keyUp), config_->firstKeycode(keyDown),
                                    config_->firstKeycode(keySelect));
    dialog.addContent(browser);
    dialog.addButton(tr("OK"), true);
    dialog.addButton(tr("Cancel"), false);
    const QString start = !startFolder.isNull()   ? startFolder
                          : !lastFolder_.isNull() ? lastFolder_
                                                  : settings_.recordDirectory;
    // The configured folder may not exist on this machine.
    if (!browser->list(start))
        browser->list(QDir::homePath());
    browser->setFocus();
    // Choosing a file (the select key, Return or a double click) is the
    // choice; choosing a folder enters it.
    if (mode != ChooseFolder)
        connect(browser, &FileBrowser::isFileClicked, &dialog, [&dialog](bool file) {
            if (file)
                dialog.accept();
        });

    FileChoice choice;
    choice.cancelled = dialog.exec() != QDialog::Accepted;
    if (!choice.cancelled) {
        if (mode == ChooseFile)
            choice.path = browser->pickedFile();
        else if (mode == ChooseFolder || browser->pickedFile().isEmpty())
            choice.path = browser->shownFolder();
        else
            choice.path = browser->pickedFile();
    }
    if (startFolder.isNull())
        lastFolder_ = browser->shownFolder();
    return choice;
}

QString Wavelark::textDialog(const QString &title, const QString &initial)
{
    Dialog dialog(title, Dialog::Kind::Normal, this);
    auto *edit = new QPlainTextEdit(&dialog);
    edit->setObjectName(QStringLiteral("textEntry"));
    edit->setPlainText(initial);
    edit->moveCursor(QTextCursor::End);
    edit->installEventFilter(new ReturnAccepts(&dialog));
    const QRect content = ScreenRects::content();
    if (content.isValid())
        edit->setMinimumWidth(content.width() * 3 / 4);
    dialog.addContent(edit);
    dialog.addButton(tr("OK"), true);
    dialog.addButton(tr("Cancel"), false);
    edit->setFocus();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    return accepted ? edit->toPlainText() : QString();
}
