#include "app/FileBrowser.h"

#include "app/FileNames.h"
#include "platform/system/System.h"

#include <QFileDialog>

namespace zentar {

namespace {

BrowseHook& browseHook() {
    static BrowseHook hook;
    return hook;
}

// "Video files (*.avi;*.mpg)" + "*.avi;*.mpg" -> "Video files (*.avi *.mpg)": Qt reads the
// patterns from the last parentheses, separated by spaces.
QString qtFilter(QString description, const QString& patterns) {
    QStringList list = patterns.split(';', Qt::SkipEmptyParts);
    for (QString& pattern : list) {
        pattern = pattern.trimmed();
        if (pattern == "*.*") {
            pattern = "*"; // on Linux "*.*" would hide names without a dot
        }
    }
    description = description.trimmed();
    if (description.endsWith(')')) {
        const qsizetype open = description.lastIndexOf('(');
        if (open > 0) {
            description = description.left(open).trimmed();
        }
    }
    return description + " (" + list.join(' ') + ")";
}

} // namespace

QStringList FilterListFromText(const QString& filterText) {
    const QStringList fields = filterText.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].isEmpty()) {
            break; // the "||" that ends the list
        }
        filters << qtFilter(fields[i], fields[i + 1]);
    }
    return filters;
}

int FilterIndexFor(const QString& filterText, const QString& defaultExtension) {
    if (defaultExtension.isEmpty()) {
        return 1;
    }
    const qsizetype position = filterText.indexOf(defaultExtension, 0, Qt::CaseSensitive);
    if (position < 0) {
        return 1;
    }
    return 1 + static_cast<int>(filterText.left(position).count('|')) / 2;
}

std::string InitialFolderFor(const std::string& path) {
    if (path.empty()) {
        return GetDocumentsFolder();
    }
    const std::string folder = SplitPath(path).folder;
    if (folder.empty()) {
        // A bare file name lives in the current folder (not in the root).
        return GetCurrentFolder();
    }
    return folder;
}

bool BrowseForFile(QWidget* owner, BrowseMode mode, const QString& defaultExtension,
                   const QString& filterText, std::string& path) {
    QFileDialog dialog(owner);
    const QStringList filters = FilterListFromText(filterText);
    dialog.setNameFilters(filters);
    const int index = FilterIndexFor(filterText, defaultExtension);
    if (index >= 1 && index <= filters.size()) {
        dialog.selectNameFilter(filters[index - 1]);
    }
    dialog.setDefaultSuffix(defaultExtension);
    if (mode == BrowseMode::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    }
    const std::string folder = InitialFolderFor(path);
    if (!folder.empty()) {
        dialog.setDirectory(QString::fromStdString(folder));
    }
    if (!path.empty()) {
        dialog.selectFile(QString::fromStdString(FileNamePart(path)));
    }

    std::optional<QString> chosen;
    if (browseHook()) {
        chosen = browseHook()(dialog);
    } else if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        chosen = dialog.selectedFiles().front();
    }
    path = chosen ? chosen->toStdString() : std::string();
    return !path.empty();
}

void SetBrowseHook(BrowseHook hook) {
    browseHook() = std::move(hook);
}

} // namespace zentar
