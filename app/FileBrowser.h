// BrowseForFile: the one file-browsing routine behind every "Browse for ..." entry.
// It shows Qt's file dialog with filters built from a "|"-separated filter string, a
// default suffix, the filter that carries the default extension preselected, an overwrite
// prompt when saving and an initial folder taken from the current path (the user's
// documents folder when the path is empty).
//
// Called on the user-interface thread; the dialog is modal to the owner window. Tests set
// a hook that answers instead of showing the dialog.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

class QFileDialog;
class QWidget;

namespace zentar {

enum class BrowseMode { Open, Save };

// Qt's name-filter list from the "|"-separated pairs "description|patterns|...||";
// patterns are separated by ';' and "*.*" means every file.
QStringList FilterListFromText(const QString& filterText);

// 1-based index of the filter whose text first contains the default extension
// (case-sensitive search in the filter text); 1 when it does not occur.
int FilterIndexFor(const QString& filterText, const QString& defaultExtension);

// Folder the dialog starts in for the current path: the path's folder, the current folder
// for a bare file name, the user's documents folder for an empty path ("" when unknown).
std::string InitialFolderFor(const std::string& path);

// Shows the dialog; on success path becomes the chosen full path and true is returned,
// on cancel path is emptied and false is returned.
bool BrowseForFile(QWidget* owner, BrowseMode mode, const QString& defaultExtension,
                   const QString& filterText, std::string& path);

// Test hook: when set, BrowseForFile configures the dialog as usual and then calls the
// hook instead of running it; the hook returns the chosen path or nullopt for cancel.
using BrowseHook = std::function<std::optional<QString>(QFileDialog&)>;
void SetBrowseHook(BrowseHook hook);

} // namespace zentar
