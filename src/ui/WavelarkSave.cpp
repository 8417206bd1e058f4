// Removing and deleting playlist items, and saving the playlist.
#include "Wavelark.h"

#include "Dialog.h"
#include "IconReader.h"
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

void Wavelark::slotRemovePlayListItem()
{
    stream->removeCurrent(transport_->selection());
}

void Wavelark::slotDeletePlayListFile()
{
    const Selection which = transport_->selection();
    if (!stream->isLocal(which)) {
        slotRemovePlayListItem();
        return;
    }
    QString url;
    stream->inspectItem(which, [&url](const PlayListItem *item) {
        if (item)
            url = item->url;
    });
    if (url.isNull())
        return;
    const QString path = deletablePath(url);
    if (path.isEmpty()) {
        slotRemovePlayListItem();
        return;
    }
    if (!confirm(QStringLiteral("Dialog_Empty_Trash.gif"),
                 tr("Do you really want to delete this file?") + u'\n' + path))
        return;
    // The stream may have moved on while the question was open.
    QString stillThere;
    stream->inspectItem(which, [&stillThere](const PlayListItem *item) {
        if (item)
            stillThere = item->url;
    });
    if (stillThere != url)
        return;
    slotRemovePlayListItem();
    QFile::remove(path);
}

// The playlist writer replaces the file whole through a temporary file, so
// a failed save leaves the old file (or none) behind, never a piece.
void Wavelark::savePlayListTo(const QString &path)
{
    const int error = stream->savePlaylist(path);
    if (error != 0)
        showErrorDialog(QString::fromLocal8Bit(std::strerror(error)));
}

void Wavelark::slotSavePlayList()
{
    const FileChoice choice = fileDialog(tr("Save to *.pls:"), QStringLiteral("*.pls"), 0);
    if (!choice.cancelled && !choice.path.isEmpty())
        savePlayListTo(choice.path);
}

void Wavelark::slotSaveAsPlayList()
{
    Dialog dialog(tr("Save playlist as:"), Dialog::Kind::Normal, this);
    auto *content = new QWidget(&dialog);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(5);
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(tr("Name:"), content));
    saveNameEdit_ = new QLineEdit(content);
    saveNameEdit_->setObjectName(QStringLiteral("saveName"));
    nameRow->addWidget(saveNameEdit_, 1);
    layout->addLayout(nameRow);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(tr("Save in:"), content));
    saveInLabel_ = new QLabel(content);
    saveInLabel_->setObjectName(QStringLiteral("saveIn"));
    saveInLabel_->setTextFormat(Qt::PlainText);
    saveInLabel_->setText(lastComponent(saveDirectory));
    folderRow->addWidget(saveInLabel_, 1);
    auto *choose = new QPushButton(content);
    choose->setObjectName(QStringLiteral("saveInChoose"));
    choose->setIcon(IconReader::icon(QStringLiteral("FMMS_Personal_Folder_S")));
    choose->setFixedSize(24, 24);
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, &Wavelark::slotSelectSaveDirectory);
    folderRow->addWidget(choose);
    layout->addLayout(folderRow);
    dialog.addContent(content);
    saveOkButton_ = dialog.addButton(tr("OK"), true);
    dialog.addButton(tr("Cancel"), false);
    connect(saveNameEdit_, &QLineEdit::textChanged, this, &Wavelark::slotSaveTextChanged);
    slotSaveTextChanged();
    saveNameEdit_->setFocus();

    const bool accepted = dialog.exec() == QDialog::Accepted;
    const QString name = saveNameEdit_->text();
    saveNameEdit_ = nullptr;
    saveInLabel_ = nullptr;
    saveOkButton_ = nullptr;
    if (!accepted || name.isEmpty())
        return;
    QString path = saveDirectory + u'/' + name;
    if (!path.contains(QLatin1String(".pls")))
        path += QLatin1String(".pls");
    savePlayListTo(path);
}

void Wavelark::slotSelectSaveDirectory()
{
    const FileChoice choice = fileDialog(tr("Select folder:"), QStringLiteral("*"), 1);
    if (choice.cancelled || choice.path.isEmpty())
        return;
    saveDirectory = choice.path;
    if (saveInLabel_)
        saveInLabel_->setText(lastComponent(saveDirectory));
}

void Wavelark::slotSaveTextChanged()
{
    if (saveOkButton_ && saveNameEdit_)
        saveOkButton_->setEnabled(!saveNameEdit_->text().isEmpty());
}
