#include <QSignalSpy>
#include <QtTest>

#include "TestSvg.h"
#include "UiScale.h"
#include "UniversalButton.h"

namespace {
void enter(QWidget* w) {
    QEvent event(QEvent::Enter);
    QApplication::sendEvent(w, &event);
}
void leave(QWidget* w) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(w, &event);
}
QColor pixel(QWidget* w, int x, int y) {
    return w->grab().toImage().pixelColor(x, y);
}
}  // namespace

class TestUniversalButton : public QObject {
    Q_OBJECT
private:
    TestSvgFolder m_svg;
    QString m_normal, m_hover, m_pressed, m_focus, m_checked, m_disabled;

private slots:
    void initTestCase() {
        m_normal = m_svg.make("normal", "#ffffff");
        m_hover = m_svg.make("hover", "#00ff00");
        m_pressed = m_svg.make("pressed", "#0000ff");
        m_focus = m_svg.make("focus", "#ffff00");
        m_checked = m_svg.make("checked", "#ff00ff");
        m_disabled = m_svg.make("disabled", "#808080");
        QVERIFY(!m_normal.isEmpty());
    }

    void iconKindStates() {
        QWidget window;
        auto* b = UniversalButton::createIconButton(m_normal, QSize(40, 40), &window);
        b->setIcons(m_normal, m_hover, m_pressed, m_checked, m_disabled);
        b->setFocusIcon(m_focus);
        window.show();
        QCOMPARE(b->visualState(), int(UniversalButton::StateNormal));
        QCOMPARE(b->currentIconPath(), m_normal);

        enter(b);
        QCOMPARE(b->visualState(), int(UniversalButton::StateIconHover));
        QCOMPARE(b->currentIconPath(), m_focus);

        QSignalSpy clicked(b, &QAbstractButton::clicked);
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(b->visualState(), int(UniversalButton::StatePressed));
        QCOMPARE(b->currentIconPath(), m_pressed);
        enter(b);  // entering again while pressed keeps the pressed look
        QCOMPARE(b->visualState(), int(UniversalButton::StatePressed));
        QTest::mouseRelease(b, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(b->visualState(), int(UniversalButton::StateIconHover));

        leave(b);
        QCOMPARE(b->visualState(), int(UniversalButton::StateNormal));
        QCOMPARE(b->currentIconPath(), m_normal);

        b->setEnabled(false);
        QCOMPARE(b->visualState(), int(UniversalButton::StateDisabled));
        QCOMPARE(b->currentIconPath(), m_disabled);
        enter(b);  // ignored while disabled
        QCOMPARE(b->visualState(), int(UniversalButton::StateDisabled));
        b->setEnabled(true);
        QCOMPARE(b->visualState(), int(UniversalButton::StateNormal));
        QCOMPARE(b->currentIconPath(), m_normal);
    }

    void iconFallsBackToNormal() {
        QWidget window;
        auto* b = UniversalButton::createIconButton(m_normal, QSize(40, 40), &window);
        window.show();
        enter(b);  // no focus icon: hover shows the normal one
        QCOMPARE(b->currentIconPath(), m_normal);
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(b->currentIconPath(), m_normal);
        QTest::mouseRelease(b, Qt::LeftButton);
        b->setEnabled(false);
        QCOMPARE(b->currentIconPath(), m_normal);
        b->setEnabled(true);

        // Toggle: a missing checked icon falls back to the normal one too.
        auto* t = UniversalButton::createToggleButton(m_normal, m_hover, QString(), QString(), QSize(60, 30),
                                                      &window);
        t->setChecked(true);
        QCOMPARE(t->currentIconPath(), m_normal);
        t->setChecked(false);
        enter(t);
        QCOMPARE(t->currentIconPath(), m_hover);
        QTest::mousePress(t, Qt::LeftButton);
        QCOMPARE(t->currentIconPath(), m_normal);
    }

    void toggleKindKeepsCheckedLook() {
        QWidget window;
        auto* t = UniversalButton::createToggleButton(m_normal, m_hover, m_pressed, m_checked, QSize(60, 30),
                                                      &window);
        window.show();
        QVERIFY(t->isCheckable());
        QCOMPARE(t->size(), QSize(60, 30));

        enter(t);
        QCOMPARE(t->visualState(), int(UniversalButton::StateHover));
        QCOMPARE(t->currentIconPath(), m_hover);
        QTest::mousePress(t, Qt::LeftButton);
        QCOMPARE(t->visualState(), int(UniversalButton::StatePressed));
        QTest::mouseRelease(t, Qt::LeftButton);
        QVERIFY(t->isChecked());
        QCOMPARE(t->visualState(), int(UniversalButton::StateChecked));
        QCOMPARE(t->currentIconPath(), m_checked);

        leave(t);
        QCOMPARE(t->visualState(), int(UniversalButton::StateChecked));
        QCOMPARE(pixel(t, 1, 1), QColor("#2A4563"));  // checked fill around the icon
        enter(t);
        QCOMPARE(t->visualState(), int(UniversalButton::StateChecked));

        // Clicking again unchecks: hovered while the pointer is on it, normal after leaving.
        QTest::mouseClick(t, Qt::LeftButton);
        QVERIFY(!t->isChecked());
        QCOMPARE(t->visualState(), int(UniversalButton::StateHover));
        leave(t);
        QCOMPARE(t->visualState(), int(UniversalButton::StateNormal));
        QCOMPARE(pixel(t, 1, 1), QColor("#55585B"));

        // Checking from code (a button group) shows the checked look.
        t->setChecked(true);
        QCOMPARE(t->visualState(), int(UniversalButton::StateChecked));

        // Disabled wins; a checked toggle comes back checked, not normal.
        t->setEnabled(false);
        QCOMPARE(t->visualState(), int(UniversalButton::StateDisabled));
        QCOMPARE(pixel(t, 1, 1), QColor("#AAAAAA"));
        t->setEnabled(true);
        QCOMPARE(t->visualState(), int(UniversalButton::StateChecked));
        QCOMPARE(pixel(t, 1, 1), QColor("#2A4563"));
    }

    void toggleColoursCanBeChanged() {
        QWidget window;
        auto* t = UniversalButton::createToggleButton(m_normal, m_normal, m_normal, m_normal, QSize(60, 30),
                                                      &window);
        t->setToggleColors(QColor("#101010"), QColor(), QColor("#303030"));
        QCOMPARE(t->fillColor(UniversalButton::StateNormal), QColor("#101010"));
        QCOMPARE(t->fillColor(UniversalButton::StateHover), QColor("#55585B"));  // invalid: kept
        QCOMPARE(t->fillColor(UniversalButton::StatePressed), QColor("#303030"));
        window.show();
        QCOMPARE(pixel(t, 1, 1), QColor("#101010"));
    }

    void textKindStates() {
        QWidget window;
        QFont font;
        font.setPixelSize(16);
        auto* b = UniversalButton::createTextButton("相机控制", font, QSize(200, 50), &window);
        window.show();
        QCOMPARE(b->size(), QSize(200, 50));
        QCOMPARE(b->font().pixelSize(), 16);
        QVERIFY(b->currentIconPath().isEmpty());
        QCOMPARE(pixel(b, 5, 25), QColor("#34383C"));

        enter(b);
        QCOMPARE(b->visualState(), int(UniversalButton::StateHover));
        QCOMPARE(pixel(b, 5, 25), QColor("#3F4449"));
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(b->visualState(), int(UniversalButton::StatePressed));
        QCOMPARE(pixel(b, 5, 25), QColor("#2B2F33"));
        QTest::mouseRelease(b, Qt::LeftButton);
        QCOMPARE(b->visualState(), int(UniversalButton::StateHover));
        leave(b);
        QCOMPARE(b->visualState(), int(UniversalButton::StateNormal));
        b->setEnabled(false);
        QCOMPARE(b->visualState(), int(UniversalButton::StateDisabled));
        QCOMPARE(pixel(b, 5, 25), QColor("#34383C"));
    }

    void clickHandlerMayDisableTheButton() {
        QWidget window;
        auto* b = UniversalButton::createIconButton(m_normal, QSize(40, 40), &window);
        b->setIcons(m_normal, m_hover, m_pressed, m_checked, m_disabled);
        connect(b, &QAbstractButton::clicked, b, [b] { b->setEnabled(false); });
        window.show();
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(b->visualState(), int(UniversalButton::StateDisabled));
        QCOMPARE(b->currentIconPath(), m_disabled);
    }

    void sizes() {
        QWidget window;
        auto* icon = UniversalButton::createIconButton(m_normal, QSize(-1, 40), &window);
        QCOMPARE(icon->preferredSize(), QSize(-1, -1));  // negative sizes are not applied
        icon->setButtonSize(QSize(scaled(120), scaled(120)));
        QCOMPARE(icon->sizeHint(), QSize(scaled(120), scaled(120)));
        QCOMPARE(icon->minimumSizeHint(), QSize(scaled(120), scaled(120)));
        QCOMPARE(icon->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);

        // A 20x20 icon drawn at a preferred 10x10 inside a 40x40 toggle stays centred.
        auto* toggle = UniversalButton::createToggleButton(m_normal, m_normal, m_normal, m_normal,
                                                           QSize(40, 40), &window);
        toggle->setPreferredIconSize(QSize(10, 10));
        QCOMPARE(toggle->size(), QSize(40, 40));
        window.show();
        const QImage image = toggle->grab().toImage();
        QCOMPARE(image.pixelColor(20, 20), QColor("#ffffff"));
        QCOMPARE(image.pixelColor(12, 20), QColor("#55585B"));

        QFont noFamily;
        noFamily.setFamily(QString());
        auto* text = UniversalButton::createTextButton("x", noFamily, QSize(80, 30), &window);
        QCOMPARE(text->font().family(), window.font().family());
    }
};

QTEST_MAIN(TestUniversalButton)
#include "tst_universalbutton.moc"
