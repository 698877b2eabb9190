#pragma once
// The settings dialog's file-open component (CommonDialog1): it keeps a filter and the last file
// name chosen with it, and shows a modal file-open dialog on demand.
#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

class QWidget;

namespace nw::ui {

// One choice of a filter: the text shown, and the name patterns it lists.
struct FileFilterChoice {
    QString caption;
    QStringList patterns;
};

// "caption|patterns|caption|patterns..." with the patterns of one choice separated by ';'.
std::vector<FileFilterChoice> parseFileFilter(const QString& filter);

// Whether a file (not a folder) is listed by a choice. Patterns compare without regard to case,
// and "*.*" lists every file, as on the system the filters come from. A choice that lists
// "*.exe" also lists the files that may be run here (executable bit).
bool fileListedBy(const FileFilterChoice& choice, const QString& fileName, bool executable);

class OpenFileComponent : public QObject {
    Q_OBJECT

public:
    explicit OpenFileComponent(QObject* parent = nullptr);

    void setFilter(const QString& filter);
    // The file name of the last accepted choice; empty until one was made.
    const QString& fileName() const { return fileName_; }

    // Shows the file-open dialog, modal to `parent`, with the first filter choice selected. An
    // accepted choice becomes the file name; a cancel leaves the file name as it was.
    void showOpen(QWidget* parent);

private:
    std::vector<FileFilterChoice> filter_;
    QString fileName_;
};

}  // namespace nw::ui
