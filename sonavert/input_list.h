// The input list: the hidden list of full paths (control 1006), which is the
// model, and the six-column input table that shows it.
#pragma once

#include <QObject>
#include <QUrl>

#include <functional>
#include <string>
#include <vector>

#include "converter.h"

class QListWidget;
class QTableWidget;
class QWidget;

namespace sonavert {

class InputList : public QObject {
  public:
    using StatusSink = std::function<void(const std::string&)>;
    // Applies the enabling rule after the list changed; `enableOnly` keeps it
    // from disabling anything.
    using EnablingRule = std::function<void(bool enableOnly)>;

    InputList(Converter& converter, QWidget* window, StatusSink status, EnablingRule enabling);

    // What a file must pass to be added: nothing, the reader opens it, or it
    // also has a length above 0.
    enum class Probe { None, Opens, HasLength };

    QListWidget* list() const { return list_; }
    QTableWidget* table() const { return table_; }
    std::vector<std::string> Paths() const;
    bool IsEmpty() const;

    void AddFiles();   // the open-file dialog
    void AddFolder();  // the folder chooser and the subfolder question
    // Adds the media files of `folder` (and of its subfolders).
    void AddFolderFiles(const std::string& folder, bool subfolders);
    void AddCdTracks();
    void AddDropped(const QList<QUrl>& urls);
    // The search window's ADD: each path not yet listed whose duration is not 0.
    void AddSearchResults(const std::vector<std::string>& paths);
    void RemoveSelected();
    void DeleteKey();
    void Clear();
    void DeleteAllMedia();

    void Rebuild(bool withMessages);
    void SyncSelection();
    void RememberRow(int row) { selectedRow_ = row; }
    int RememberedRow() const { return selectedRow_; }

  private:
    friend int32_t AddChosenFile(const char* path);
    friend int32_t AddFolderFile(const char*, const char*, const char*, int32_t);
    friend int32_t AddCdTrack(const char*, const char*, const char*, int32_t);

    bool Contains(const std::string& path) const;
    // True unless `path` is a duplicate, too long for an entry, or fails `probe`.
    bool Accepts(const std::string& path, Probe probe);
    void Append(const std::string& path);
    // Appends `path` when it Accepts it.
    bool AddIfMedia(const std::string& path, Probe probe);
    void FillRow(int row, const std::string& path);
    bool eventFilter(QObject* watched, QEvent* event) override;

    Converter& c_;
    QWidget* window_;
    QListWidget* list_;
    QTableWidget* table_;
    QObject* viewport_;  // where files are dropped
    StatusSink status_;
    EnablingRule enabling_;
    int selectedRow_ = -1;
    std::string currentFileName_;
};

}  // namespace sonavert
