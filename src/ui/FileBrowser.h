#pragma once

#include "WavelarkListBox.h"

#include <QString>

// A list of one folder's subfolders and matching files, walked with the
// keys of keyUp, keyDown and keySelect (or the mouse): the file dialog's
// content. Folders are listed whatever the filter says, hidden ones too;
// hidden files are not; ".." leads up except at the root. GUI thread only.
// What the file picker lets a person choose.
enum FileDialogMode : int {
    ChooseFile = 0,
    ChooseFolder = 1,
    ChooseFileOrFolder = 2,
};

class FileBrowser : public WavelarkListBox
{
    Q_OBJECT

public:
    // mode is a FileDialogMode.
    FileBrowser(const QString &filter, QWidget *parent, const QString &name, int mode, int up,
                int down, int select);

    // Shows the folder and highlights row 0. A folder that cannot be read
    // leaves the listing as it was; false then.
    bool list(const QString &path);

    // The file last highlighted or selected; empty when the highlighted
    // row is not a file.
    QString pickedFile() const { return pickedFile_; }
    // The folder row last highlighted; empty when that row is not a folder.
    QString pickedFolder() const { return pickedFolder_; }
    // The folder on display: canonical, and as reached (links kept).
    QString shownFolder() const { return shownFolder_; }
    QString shownFolderAbsolute() const { return shownFolderAbsolute_; }
    int mode() const { return mode_; }

public slots:
    void itemHighlighted(int row);
    void itemSelected(int row);
    void itemClicked(QListWidgetItem *item);

signals:
    void picked(const QString &path);
    void isFilePicked(bool file);
    void isDirPicked(bool folder);
    void isFileClicked(bool file);
    void dirpicked(const QString &path);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QString rowPath(int row) const;

    QString filter_;
    int mode_;
    QString shownFolder_;
    QString shownFolderAbsolute_;
    QString pickedFile_;
    QString pickedFolder_;
    // A click listed another folder: the double click that follows belongs
    // to the old listing and must not open a row of the new one.
    bool relistedByClick_ = false;
};
