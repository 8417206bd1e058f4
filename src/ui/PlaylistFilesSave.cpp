// Removing and deleting playlist items, and saving the playlist.
#include "PlaylistFiles.h"

#include "Dialog.h"
#include "IconReader.h"
#include "MessageBox.h"
#include "Wavelark.h"
#include "stream.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cstring>

namespace {

// The file a "file://" location names: the path after the prefix as the
// stream opens it, or, for a location written as a URL (percent-encoded),
// the decoded path. Only an absolute path of something that exists counts;
// anything else names no file, so nothing is ever deleted by guesswork.
QString deletablePath(const QString &url)
{
    if (!url.startsWith(QLatin1String("file://")))
        return QString();
    const QString raw = url.mid(7);
    if (raw.startsWith(u'/') && QFileInfo(raw).isFile())
        return raw;
    const QUrl asUrl(url);
    const QString decoded =
        asUrl.isValid() && asUrl.isLocalFile() ? asUrl.toLocalFile() : QString();
    if (decoded.startsWith(u'/') && QFileInfo(decoded).isFile())
        return decoded;
    return QString();
}

QString lastComponent(const QString &folder)
{
    const QString name = QFileInfo(folder).fileName();
    return name.isEmpty() ? folder : name;
}

} // namespace

void PlaylistFiles::removeCurrent()
{
    stream_.removeCurrent(transport_.selection());
}

void PlaylistFiles::deleteCurrent()
{
    const Selection which = transport_.selection();
    if (!stream_.isLocal(which)) {
        removeCurrent();
        return;
    }
    QString url;
    stream_.inspectItem(which, [&url](const PlayListItem *item) {
        if (item)
            url = item->url;
    });
    if (url.isNull())
        return;
    const QString path = deletablePath(url);
    if (path.isEmpty()) {
        removeCurrent();
        return;
    }
    if (!MessageBox::ask(&window_, QStringLiteral("Dialog_Empty_Trash.gif"),
                         tr("Do you really want to delete this file?") + u'\n' + path, tr("OK"),
                         tr("Cancel")))
        return;
    // The stream may have moved on while the question was open.
    QString stillThere;
    stream_.inspectItem(which, [&stillThere](const PlayListItem *item) {
        if (item)
            stillThere = item->url;
    });
    if (stillThere != url)
        return;
    removeCurrent();
    QFile::remove(path);
}

// The playlist writer replaces the file whole through a temporary file, so
// a failed save leaves the old file (or none) behind, never a piece.
void PlaylistFiles::saveTo(const QString &path)
{
    reportSave(stream_.savePlaylist(path),
               tr("Playlist saved as %1").arg(QFileInfo(path).fileName()));
}

// A failure is a dialog; a success a short note in the status section.
void PlaylistFiles::reportSave(int error, const QString &done)
{
    if (error != 0)
        window_.showErrorDialog(QString::fromLocal8Bit(std::strerror(error)));
    else
        window_.showStatusNote(done);
}

void PlaylistFiles::save()
{
    const Wavelark::FileChoice choice =
        window_.fileDialog(tr("Save to *.pls:"), QStringLiteral("*.pls"), ChooseFile);
    if (!choice.cancelled && !choice.path.isEmpty())
        saveTo(choice.path);
}

void PlaylistFiles::saveAs()
{
    Dialog dialog(tr("Save playlist as:"), Dialog::Kind::Normal, &window_);
    auto *content = new QWidget(&dialog);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(5);
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(tr("Name:"), content));
    auto *name = new QLineEdit(content);
    name->setObjectName(QStringLiteral("saveName"));
    nameRow->addWidget(name, 1);
    layout->addLayout(nameRow);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(tr("Save in:"), content));
    auto *saveIn = new QLabel(content);
    saveIn->setObjectName(QStringLiteral("saveIn"));
    saveIn->setTextFormat(Qt::PlainText);
    saveIn->setText(lastComponent(saveFolder_));
    folderRow->addWidget(saveIn, 1);
    auto *choose = new QPushButton(content);
    choose->setObjectName(QStringLiteral("saveInChoose"));
    choose->setIcon(IconReader::icon(QStringLiteral("FMMS_Personal_Folder_S")));
    choose->setFixedSize(24, 24);
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, &dialog, [this, saveIn] {
        const Wavelark::FileChoice choice =
            window_.fileDialog(tr("Select folder:"), QStringLiteral("*"), ChooseFolder);
        if (choice.cancelled || choice.path.isEmpty())
            return;
        saveFolder_ = choice.path;
        saveIn->setText(lastComponent(saveFolder_));
    });
    folderRow->addWidget(choose);
    layout->addLayout(folderRow);
    dialog.addContent(content);
    QPushButton *ok = dialog.addButton(tr("OK"), true);
    dialog.addButton(tr("Cancel"), false);
    const auto nameChanged = [ok, name] { ok->setEnabled(!name->text().isEmpty()); };
    connect(name, &QLineEdit::textChanged, &dialog, nameChanged);
    nameChanged();
    name->setFocus();

    const bool accepted = dialog.exec() == QDialog::Accepted;
    const QString text = name->text();
    if (!accepted || text.isEmpty())
        return;
    QString path = saveFolder_ + u'/' + text;
    if (!path.contains(QLatin1String(".pls")))
        path += QLatin1String(".pls");
    saveTo(path);
}
