#include "OverlayButtonBar.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "UiScale.h"
#include "UniversalButton.h"

OverlayButtonBar::OverlayButtonBar(QWidget* parent) : QWidget(parent) {
    setObjectName("buttonBar");
    setFixedHeight(scaled(120));
    auto* bar = new QGridLayout(this);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(0);

    auto* left = new QHBoxLayout();
    auto* centre = new QHBoxLayout();
    auto* right = new QHBoxLayout();
    for (QHBoxLayout* group : {left, centre, right}) {
        group->setContentsMargins(0, 0, 0, 0);
        group->setSpacing(0);
    }
    m_settings = makeButton(":/icons/setting_normal.svg", ":/icons/setting_pressed.svg",
                            ":/icons/setting_focus.svg", ":/icons/setting_disabled.svg", this);
    m_settings->setObjectName("settingsButton");
    m_file = makeButton(":/icons/file_normal.svg", ":/icons/file_pressed.svg", ":/icons/file_focus.svg",
                        ":/icons/file_disabled.svg", this);
    m_file->setObjectName("fileButton");
    m_capture = makeButton(":/icons/capture_normal.svg", ":/icons/capture_pressed.svg",
                           ":/icons/capture_focus.svg", ":/icons/capture_disabled.svg", this);
    m_capture->setObjectName("captureButton");
    m_record = makeButton(":/icons/record_normal.svg", ":/icons/record_pressed.svg",
                          ":/icons/record_focus.svg", ":/icons/record_disabled.svg", this);
    m_record->setObjectName("recordButton");
    m_feature = makeButton(":/icons/setting_normal.svg", ":/icons/setting_pressed.svg",
                           ":/icons/setting_focus.svg", ":/icons/setting_disabled.svg", this);
    m_feature->setObjectName("featureButton");
    m_feature->hide();
    m_exit = makeButton(":/icons/exit_normal.svg", ":/icons/exit_pressed.svg", ":/icons/exit_pressed.svg",
                        ":/icons/exit_disabled.svg", this);
    m_exit->setObjectName("exitButton");

    left->addWidget(m_settings);
    left->addWidget(m_file);
    centre->addWidget(m_capture);
    centre->addWidget(m_record);
    centre->addWidget(m_feature);
    right->addWidget(m_exit);
    bar->addLayout(left, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    bar->addLayout(centre, 0, 1, Qt::AlignCenter);
    bar->addLayout(right, 0, 2, Qt::AlignRight | Qt::AlignVCenter);
    bar->setColumnStretch(0, 1);
    bar->setColumnStretch(1, 0);
    bar->setColumnStretch(2, 1);
}

UniversalButton* OverlayButtonBar::makeButton(const QString& normal, const QString& pressed,
                                              const QString& focus, const QString& disabled,
                                              QWidget* parent) {
    auto* button = UniversalButton::createIconButton(normal, QSize(scaled(120), scaled(120)), parent);
    button->setIcons(normal, QString(), pressed, QString(), disabled);
    button->setFocusIcon(focus);
    return button;
}

void OverlayButtonBar::setFeatureIcon(const QString& path) {
    if (!path.isEmpty()) {
        m_feature->setIcons(path, path, path, path, path);
        m_feature->setFocusIcon(path);
        return;
    }
    // A button without an image: a fresh one, since an icon once loaded stays drawn.
    auto* fresh = UniversalButton::createIconButton(QString(), QSize(scaled(120), scaled(120)), this);
    fresh->setObjectName("featureButton");
    fresh->setVisible(!m_feature->isHidden());
    if (QLayoutItem* item = layout()->replaceWidget(m_feature, fresh, Qt::FindChildrenRecursively)) {
        delete item;
    }
    m_feature->hide();
    m_feature->deleteLater();
    m_feature = fresh;
}
