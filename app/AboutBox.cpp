#include "app/AboutBox.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace zentar {

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 256}) {
        icon.addFile(QString(":/icons/zentar-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("aboutBox");
    setWindowTitle(kCaption);
    setWindowIcon(ProgramIcon());

    auto* icon = new QLabel(this);
    icon->setObjectName("programIcon");
    icon->setPixmap(ProgramIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* version = new QLabel(kVersionLine, this);
    version->setObjectName("versionLabel");
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);

    auto* features = new QLabel(kFeatures, this);
    features->setObjectName("featuresLabel");

    auto* frameloom = new QLabel("Use Frameloom to edit the clips and the projects that this "
                                 "program makes.",
                                 this);
    frameloom->setObjectName("frameloomLabel");
    frameloom->setWordWrap(true);
    frameloom->setMinimumWidth(features->sizeHint().width());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName("buttons");
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setHorizontalSpacing(16);
    layout->setVerticalSpacing(10);
    layout->addWidget(icon, 0, 0, 3, 1);
    layout->addWidget(version, 0, 1);
    layout->addWidget(features, 1, 1);
    layout->addWidget(frameloom, 2, 1);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace zentar
