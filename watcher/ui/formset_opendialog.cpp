#include "formset_opendialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QSortFilterProxyModel>

namespace nw::ui {

std::vector<FileFilterChoice> parseFileFilter(const QString& filter) {
    std::vector<FileFilterChoice> choices;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        choices.push_back({parts[i], parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)});
    }
    return choices;
}

bool fileListedBy(const FileFilterChoice& choice, const QString& fileName, bool executable) {
    for (const QString& raw : choice.patterns) {
        const QString pattern = raw.trimmed();
        if (pattern == QLatin1String("*.*") || pattern == QLatin1String("*")) return true;
        if (executable && pattern.compare(QLatin1String("*.exe"), Qt::CaseInsensitive) == 0) return true;
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(fileName).hasMatch()) return true;
    }
    return false;
}

namespace {

// Lists the files of the selected choice. The dialog's own name filtering is switched to
// "disable, don't hide", so every file reaches this model and the choice decides here; that is
// how a choice can list files by their executable bit, which no name pattern can express.
class ChoiceFilterModel : public QSortFilterProxyModel {
public:
    ChoiceFilterModel(const std::vector<FileFilterChoice>& choices, QObject* parent)
        : QSortFilterProxyModel(parent), choices_(choices) {}

    void selectChoice(const QString& caption) {
        for (size_t i = 0; i < choices_.size(); ++i) {
            if (choices_[i].caption == caption) current_ = i;
        }
        invalidateFilter();
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return QSortFilterProxyModel::flags(index) | Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        auto* fs = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!fs || choices_.empty()) return true;
        const QModelIndex index = fs->index(row, 0, parent);
        if (fs->isDir(index)) return true;
        const QFileInfo info = fs->fileInfo(index);
        return fileListedBy(choices_[current_], info.fileName(), info.isFile() && info.isExecutable());
    }

private:
    std::vector<FileFilterChoice> choices_;
    size_t current_ = 0;
};

}  // namespace

OpenFileComponent::OpenFileComponent(QObject* parent) : QObject(parent) {}

void OpenFileComponent::setFilter(const QString& filter) { filter_ = parseFileFilter(filter); }

void OpenFileComponent::showOpen(QWidget* parent) {
    QFileDialog dialog(parent);
    // Our own dialog, not the desktop's: it behaves the same everywhere and tests can drive it.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);

    auto* model = new ChoiceFilterModel(filter_, &dialog);
    dialog.setProxyModel(model);
    if (auto* fs = qobject_cast<QFileSystemModel*>(model->sourceModel())) fs->setNameFilterDisables(true);

    QStringList captions;
    for (const FileFilterChoice& c : filter_) captions << c.caption;
    if (!captions.isEmpty()) {
        dialog.setNameFilters(captions);
        dialog.selectNameFilter(captions.first());
        model->selectChoice(captions.first());
    }
    connect(&dialog, &QFileDialog::filterSelected, model, &ChoiceFilterModel::selectChoice);
    if (!fileName_.isEmpty()) dialog.selectFile(fileName_);

    if (dialog.exec() == QDialog::Accepted) {
        const QStringList chosen = dialog.selectedFiles();
        if (!chosen.isEmpty()) fileName_ = QDir::toNativeSeparators(chosen.first());
    }
}

}  // namespace nw::ui
