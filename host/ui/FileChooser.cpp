#include "host/ui/FileChooser.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTimer>

#include "host/ui/Application.h"
#include "host/ui/Window.h"

namespace host::ui {

void CountWatchdogEnd();

namespace {

FileChooserResponder g_chooserResponder;

// Lists folders always and files as the caller's filter decides.
class ChooserProxy : public QSortFilterProxyModel {
 public:
  ChooserProxy(const ChooserSpec& spec, const int& index) : spec_(spec), index_(index) {}
  void Refilter() { invalidateFilter(); }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    auto* fs = qobject_cast<QFileSystemModel*>(sourceModel());
    if (fs == nullptr || !spec_.accept) return true;
    const QModelIndex item = fs->index(row, 0, parent);
    if (fs->isDir(item)) return true;
    return spec_.accept(fs->filePath(item).toStdWString(), fs->fileName(item).toStdWString(), index_);
  }

 private:
  const ChooserSpec& spec_;
  const int& index_;
};

// The popup shows the label; the pattern after it lists everything, the proxy decides.
QString PopupEntry(const std::wstring& label) { return QString::fromStdWString(label) + QStringLiteral(" (*)"); }

}  // namespace

void SetFileChooserResponder(FileChooserResponder responder) { g_chooserResponder = std::move(responder); }

namespace {

// Which entry of the type popup is chosen: the popup's own position (the dialog names the
// entry without its pattern, and labels need not differ); -1 for none of them.
int ChosenEntry(const QFileDialog& dialog, int count) {
  const auto* popup = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  const int at = popup != nullptr ? popup->currentIndex() : -1;
  return at >= 0 && at < count ? at : -1;
}

// Sets the dialog up for the request; `index` follows the type popup.
void Configure(QFileDialog& dialog, const ChooserSpec& spec, int& index) {
  dialog.setObjectName(kFileChooserName);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  if (!spec.title.empty()) dialog.setWindowTitle(QString::fromStdWString(spec.title));
  if (!spec.actionLabel.empty()) dialog.setLabelText(QFileDialog::Accept, QString::fromStdWString(spec.actionLabel));
  if (!spec.cancelLabel.empty()) dialog.setLabelText(QFileDialog::Reject, QString::fromStdWString(spec.cancelLabel));
  if (!spec.message.empty()) dialog.setLabelText(QFileDialog::LookIn, QString::fromStdWString(spec.message));
  if (!spec.folder.empty()) dialog.setDirectory(QString::fromStdWString(spec.folder));
  switch (spec.kind) {
    case ChooserKind::kSave:
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      break;
    case ChooserKind::kOpenFile:
    case ChooserKind::kChooseFile:
      dialog.setFileMode(spec.allowMultiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
      break;
    case ChooserKind::kChooseFolder:
      dialog.setFileMode(QFileDialog::Directory);
      dialog.setOption(QFileDialog::ShowDirsOnly, true);
      break;
  }
  index = spec.filterIndex;
  QStringList entries;
  for (const std::wstring& label : spec.filterLabels) entries << PopupEntry(label);
  const bool typed = spec.kind == ChooserKind::kSave || spec.kind == ChooserKind::kOpenFile;
  if (typed && !entries.isEmpty()) {
    dialog.setNameFilters(entries);
    if (index >= 0 && index < entries.size()) dialog.selectNameFilter(entries[index]);
  }
  if (spec.kind != ChooserKind::kChooseFolder) dialog.setProxyModel(new ChooserProxy(spec, index));
  if (!spec.defaultName.empty()) dialog.selectFile(QString::fromStdWString(spec.defaultName));
  const int count = int(entries.size());
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &spec, &index, count] {
    index = ChosenEntry(dialog, count);
    if (spec.onFilterChanged) {
      QLineEdit* nameEdit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      std::wstring name = nameEdit != nullptr ? nameEdit->text().toStdWString() : std::wstring();
      spec.onFilterChanged(index, name);
      if (spec.kind == ChooserKind::kSave && nameEdit != nullptr) nameEdit->setText(QString::fromStdWString(name));
    }
    if (auto* p = dynamic_cast<ChooserProxy*>(dialog.proxyModel())) p->Refilter();
  });
}

}  // namespace

bool SaveFileChooserImage(const ChooserSpec& spec, const std::string& path) {
  if (!EnsureApplication()) return false;
  int index = 0;  // outlives the dialog, whose proxy reads it
  QFileDialog dialog;
  Configure(dialog, spec, index);
  dialog.resize(640, 420);
  dialog.show();
  // The folder is listed in the background; give it a moment to appear.
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 500) ProcessPendingEvents();
  const bool saved = dialog.grab().save(QString::fromStdString(path), "PNG");
  dialog.hide();
  return saved;
}

ChooserResult RunFileChooser(const ChooserSpec& spec, Window* parent) {
  if (g_chooserResponder) return g_chooserResponder(spec, parent);
  ChooserResult result;
  result.filterIndex = spec.filterIndex;
  if (!EnsureApplication()) return result;
  int index = 0;  // outlives the dialog, whose proxy reads it
  QFileDialog dialog(parent != nullptr ? parent->Widget() : nullptr);
  Configure(dialog, spec, index);
  QTimer watchdog;
  if (ModalLoopWatchdogMs() > 0) {
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &dialog, [&dialog] {
      CountWatchdogEnd();
      dialog.reject();
    });
    watchdog.start(ModalLoopWatchdogMs());
  }
  dialog.setWindowModality(Qt::ApplicationModal);
  if (dialog.exec() != QDialog::Accepted) return result;
  result.filterIndex = index;
  for (const QString& path : dialog.selectedFiles()) result.paths.push_back(path.toStdWString());
  result.chosen = !result.paths.empty();
  return result;
}

}  // namespace host::ui
