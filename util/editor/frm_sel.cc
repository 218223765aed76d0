#include "util/editor/frm_sel.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeView>
#include <QVBoxLayout>

namespace kvt::util {

namespace {

// The error number of a file list without a highlighted entry.
constexpr int kNoFileHighlighted = 381;

QString joinPath(const QString& dir, const QString& name) {
  return dir.endsWith(u'/') ? dir + name : dir + u'/' + name;
}

// The nearest folder of path that exists.
QString existingFolder(QString path) {
  while (!path.isEmpty() && !QFileInfo(path).isDir()) {
    const int slash = path.lastIndexOf(u'/', path.endsWith(u'/') ? -2 : -1);
    if (slash < 0) return QDir::rootPath();
    path = path.left(slash + 1);
  }
  return path.isEmpty() ? QDir::rootPath() : path;
}

}  // namespace

frmSel::frmSel(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("frmSel"));
  setWindowTitle(QStringLiteral("Halvern - Select"));
  buildControls();
}

void frmSel::buildControls() {
  Drive1 = new QComboBox(this);
  Drive1->setObjectName(QStringLiteral("Drive1"));
  Drive1->setAccessibleName(QStringLiteral("Drive"));
  // "/" on Linux; every drive letter on Windows, shown as the system writes it ("C:\\").
  for (const QFileInfo& drive : QDir::drives()) {
    Drive1->addItem(QDir::toNativeSeparators(drive.absolutePath()));
  }

  dirModel_ = new QFileSystemModel(this);
  dirModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  dirModel_->setRootPath(QDir::rootPath());
  Dir1 = new QTreeView(this);
  Dir1->setObjectName(QStringLiteral("Dir1"));
  Dir1->setAccessibleName(QStringLiteral("Directory"));
  Dir1->setModel(dirModel_);
  for (int c = 1; c < dirModel_->columnCount(); ++c) Dir1->hideColumn(c);
  Dir1->setHeaderHidden(true);

  File1 = new QListWidget(this);
  File1->setObjectName(QStringLiteral("File1"));
  FTypLbl = new QLabel(QStringLiteral("Files:    (*.*)"), this);
  FTypLbl->setObjectName(QStringLiteral("FTypLbl"));
  FTypLbl->setBuddy(File1);
  File1->setAccessibleName(QStringLiteral("Files"));

  selButt = new QPushButton(QStringLiteral("&Select"), this);
  selButt->setObjectName(QStringLiteral("selButt"));
  selButt->setAutoDefault(false);
  ExitButt = new QPushButton(QStringLiteral("E&xit"), this);
  ExitButt->setObjectName(QStringLiteral("ExitButt"));
  ExitButt->setAutoDefault(false);

  auto* left = new QVBoxLayout;
  left->addWidget(Drive1);
  left->addWidget(Dir1, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(FTypLbl);
  right->addWidget(File1, 1);
  auto* lists = new QHBoxLayout;
  lists->addLayout(left, 3);
  lists->addLayout(right, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(selButt);
  buttons->addWidget(ExitButt);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(lists, 1);
  layout->addLayout(buttons);
  resize(560, 380);

  // The folders load in the background; keep the current one in view as they arrive.
  connect(dirModel_, &QFileSystemModel::directoryLoaded, this,
          [this] { Dir1->scrollTo(Dir1->currentIndex()); });
  connect(Drive1, &QComboBox::activated, this, &frmSel::driveChosen);
  connect(Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &frmSel::directoryChosen);
  // A file highlighted by a click or by the arrow keys can be taken with Select; Enter or a
  // double-click on it takes it at once.
  connect(File1, &QListWidget::itemSelectionChanged, this,
          [this] { selButt->setVisible(!File1->selectedItems().isEmpty()); });
  connect(File1, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    File1->setCurrentItem(item);
    item->setSelected(true);
    takeHighlightedFile();
  });
  connect(selButt, &QPushButton::clicked, this, &frmSel::takeHighlightedFile);
  connect(ExitButt, &QPushButton::clicked, this, &frmSel::reject);
}

void frmSel::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) activate();
}

void frmSel::startIn(const QString& folder, const QString& pattern) {
  startFolder_ = folder;
  startPattern_ = pattern;
}

// Control files are chosen from the SortCtl folder of the main directory, data files where
// the caller says.
void frmSel::activate() {
  chosen_.clear();
  selButt->hide();
  const int drive = driveOf(ctx_.mainDir);
  if (drive >= 0) Drive1->setCurrentIndex(drive);
  pattern_ = startPattern_;
  setDirectory(startFolder_.isEmpty() ? ctx_.mainDir + "SortCtl/" : startFolder_);
  FTypLbl->setText(QStringLiteral("Files:  "));
  File1->setFocus(Qt::OtherFocusReason);
}

// The entry of the drive list that path lies on, -1 when none.
int frmSel::driveOf(const QString& path) const {
  const QString native = QDir::toNativeSeparators(path);
  for (int i = 0; i < Drive1->count(); ++i) {
    if (native.startsWith(Drive1->itemText(i), Qt::CaseInsensitive)) return i;
  }
  return -1;
}

// dir may be written with '/' or with the system's own separator.
void frmSel::setDirectory(const QString& dir) {
  const QModelIndex index =
      dirModel_->index(QDir::cleanPath(existingFolder(QDir::fromNativeSeparators(dir))));
  if (!index.isValid()) return;
  // The list shows the path down to the directory, as a directory list box does.
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) Dir1->expand(up);
  Dir1->setCurrentIndex(index);  // directoryChosen follows
  Dir1->scrollTo(index);
  directoryChosen();
}

void frmSel::driveChosen(int index) {
  const QString root = Drive1->itemText(index);
  setDirectory(root);
  QDir::setCurrent(root);
}

// The file list and the process's current directory follow the directory list.
void frmSel::directoryChosen() {
  const QString dir = dirModel_->filePath(Dir1->currentIndex());
  if (dir.isEmpty()) return;
  currentDir_ = dir;
  Dir1->expand(Dir1->currentIndex());
  QDir::setCurrent(dir);
  fillFileList();
}

void frmSel::fillFileList() {
  File1->clear();
  selButt->hide();
  const QDir dir(currentDir_);
  File1->addItems(dir.entryList({pattern_}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

QString frmSel::choose() {
  exec();
  return chosen_;
}

// The result, for the caller and in the shared name, as the system writes paths.
void frmSel::settle(const QString& path) {
  chosen_ = QDir::toNativeSeparators(path);
  ctx_.currentCtlName = chosen_;
}

void frmSel::takeHighlightedFile() {
  const QListWidgetItem* item = File1->currentItem();
  if (item && item->isSelected()) {
    settle(joinPath(currentDir_, item->text()));
  } else {
    settle(QString());
    askerOf(ctx_).tell(this, windowTitle(),
                       QStringLiteral("File error - rc= ") + QString::number(kNoFileHighlighted));
  }
  selButt->hide();
  accept();
}

void frmSel::reject() {
  settle(QString());
  QDialog::reject();
}

}  // namespace kvt::util
