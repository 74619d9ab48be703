#include "app/ScenesWindow.h"

#include "app/FileBrowser.h"
#include "engine/ContactSheet.h"
#include "engine/CutList.h"
#include "engine/Timecode.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>
#include <stdexcept>

namespace zentar {

namespace {

constexpr int kIconWidth = 96;
constexpr int kIconHeight = 72;

QImage imageOf(const SceneThumbnail& thumb) {
    if (thumb.empty())
        return {};
    return QImage(thumb.rgb.data(), thumb.width, thumb.height, thumb.width * 3,
                  QImage::Format_RGB888)
        .copy();
}

QTableWidgetItem* cell(const QString& text, bool number = true) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setTextAlignment(number ? Qt::AlignRight | Qt::AlignVCenter
                                  : Qt::AlignLeft | Qt::AlignVCenter);
    return item;
}

} // namespace

ScenesWindow::ScenesWindow(QWidget* parent, int* showScenes) : QDialog(parent) {
    setObjectName("scenesWindow");
    setWindowTitle("Scenes");
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    layout->addWidget(summary_);

    table_ = new QTableWidget(0, 7, this);
    table_->setObjectName("scenesTable");
    table_->setHorizontalHeaderLabels(
        {"Scene", "First frame", "Timecode", "Seconds", "Length", "Score", "Clip file"});
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(kIconHeight + 6);
    table_->setIconSize(QSize(kIconWidth, kIconHeight));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setMinimumSize(720, 360);
    connect(table_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { openScene(row); });
    layout->addWidget(table_);

    message_ = new QLabel(this);
    message_->setObjectName("scenesMessage");
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(message_);

    auto* buttons = new QHBoxLayout();
    openAtEnd_ = new QCheckBox("&Open this list at the end of every run", this);
    openAtEnd_->setChecked(showScenes != nullptr && *showScenes != 0);
    connect(openAtEnd_, &QCheckBox::toggled, this, [showScenes](bool on) {
        if (showScenes != nullptr)
            *showScenes = on ? 1 : 0;
    });
    buttons->addWidget(openAtEnd_);
    buttons->addStretch();
    const auto addButton = [&](const QString& text, const QString& name) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        buttons->addWidget(button);
        return button;
    };
    connect(addButton("Export &CSV...", "exportCsvButton"), &QPushButton::clicked, this, [this] {
        browseAndExport("csv", "Comma-separated values (*.csv)|*.csv|All files|*.*||",
                        &ScenesWindow::exportCuts);
    });
    connect(addButton("Export &EDL...", "exportEdlButton"), &QPushButton::clicked, this, [this] {
        browseAndExport("edl", "Edit decision lists (*.edl)|*.edl|All files|*.*||",
                        &ScenesWindow::exportEdl);
    });
    connect(addButton("Contact &sheet...", "contactSheetButton"), &QPushButton::clicked, this,
            [this] {
                browseAndExport("png", "PNG pictures (*.png)|*.png|JPEG pictures (*.jpg)|*.jpg||",
                                &ScenesWindow::exportContactSheet);
            });
    connect(addButton("Close", "closeScenesButton"), &QPushButton::clicked, this,
            [this] { close(); });
    layout->addLayout(buttons);
}

void ScenesWindow::showRecord(const SceneRecord& record, const std::string& inputName) {
    record_ = record;
    inputName_ = inputName;
    message_->clear();
    const std::vector<SceneEntry>& scenes = record_.scenes();
    const double rate = record_.frameRate();
    summary_->setText(QString("%1 scene%2 in %3 at %4 frames a second%5")
                          .arg(scenes.size())
                          .arg(scenes.size() == 1 ? "" : "s")
                          .arg(QString::fromStdString(inputName_))
                          .arg(rate, 0, 'f', 3)
                          .arg(record_.thumbnailsCapped()
                                   ? " (later scenes without pictures: memory limit reached)"
                                   : ""));
    table_->setRowCount(static_cast<int>(scenes.size()));
    for (int row = 0; row < static_cast<int>(scenes.size()); ++row) {
        const SceneEntry& scene = scenes[static_cast<std::size_t>(row)];
        auto* first = cell(QString::number(row), false);
        const QImage picture = imageOf(scene.thumbnail);
        if (!picture.isNull())
            first->setIcon(QIcon(QPixmap::fromImage(picture.scaled(
                kIconWidth, kIconHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation))));
        table_->setItem(row, 0, first);
        table_->setItem(row, 1, cell(QString::number(scene.firstFrame)));
        table_->setItem(row, 2,
                        cell(QString::fromStdString(ClockTimecode(scene.firstFrame, rate))));
        table_->setItem(row, 3, cell(QString::number(record_.Seconds(scene.firstFrame), 'f', 3)));
        table_->setItem(row, 4,
                        cell(scene.endFrame < 0 ? QString("-") : QString::number(scene.length())));
        table_->setItem(row, 5,
                        cell(row == 0 ? QString("-") : QString::number(scene.score, 'f', 2)));
        table_->setItem(
            row, 6,
            cell(QString::fromStdString(std::filesystem::path(scene.clipFile).filename().string()),
                 false));
        table_->item(row, 6)->setToolTip(QString::fromStdString(scene.clipFile));
    }
    table_->resizeColumnsToContents();
    table_->setColumnWidth(0, std::max(table_->columnWidth(0), kIconWidth + 48));
}

int ScenesWindow::sceneCount() const {
    return table_->rowCount();
}

QString ScenesWindow::message() const {
    return message_->text();
}

bool ScenesWindow::attempt(const std::string& path, const std::function<void()>& write) {
    try {
        write();
    } catch (const std::exception& e) {
        message_->setText(QString::fromStdString(e.what()));
        return false;
    }
    message_->setText("Written: " + QString::fromStdString(path));
    return true;
}

bool ScenesWindow::exportCuts(const std::string& path) {
    return attempt(path, [&] { WriteListFile(record_, path, CutListCsv(record_)); });
}

bool ScenesWindow::exportEdl(const std::string& path) {
    return attempt(path, [&] { WriteListFile(record_, path, CutListEdl(record_, inputName_)); });
}

bool ScenesWindow::exportContactSheet(const std::string& path) {
    return attempt(path, [&] { ContactSheet::Write(record_, path); });
}

void ScenesWindow::browseAndExport(const QString& extension, const QString& filter,
                                   bool (ScenesWindow::*exporter)(const std::string&)) {
    // Beside the input, named after it.
    const std::filesystem::path input(record_.inputFile());
    std::string path =
        (input.parent_path() / (input.stem().string() + "-scenes." + extension.toStdString()))
            .string();
    if (BrowseForFile(this, BrowseMode::Save, extension, filter, path))
        (this->*exporter)(path);
}

// A clip plays in the desktop's player; a scene without one shows its first frame large.
void ScenesWindow::openScene(int row) {
    if (row < 0 || row >= static_cast<int>(record_.scenes().size()))
        return;
    const SceneEntry& scene = record_.scenes()[static_cast<std::size_t>(row)];
    if (!scene.clipFile.empty() && QFileInfo::exists(QString::fromStdString(scene.clipFile))) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(scene.clipFile)));
        return;
    }
    const QImage picture = imageOf(scene.thumbnail);
    if (picture.isNull())
        return;
    auto* view = new QLabel(this, Qt::Window);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setWindowTitle(QString("Scene %1 - frame %2").arg(row).arg(scene.firstFrame));
    view->setPixmap(QPixmap::fromImage(picture.scaled(
        picture.width() * 4, picture.height() * 4, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    view->show();
}

} // namespace zentar
