#include <QSignalSpy>
#include <QtTest>

#include "TestSvg.h"
#include "UiScale.h"
#include "UniversalButton.h"

namespace {
void send(QWidget* w, QEvent::Type type) {
    QEvent event(type);
    QApplication::sendEvent(w, &event);
}
QColor pixel(QWidget* w, int x, int y) {
    return w->grab().toImage().pixelColor(x, y);
}
// The state and the icon a button shows.
QPair<int, QString> look(UniversalButton* b) {
    return {b->visualState(), b->currentIconPath()};
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

    // With only the normal icon given, every state falls back to it.
    void iconKindStates_data() {
        QTest::addColumn<bool>("allIcons");
        QTest::newRow("all icons") << true;
        QTest::newRow("normal only") << false;
    }
    void iconKindStates() {
        QFETCH(bool, allIcons);
        QWidget window;
        auto* b = UniversalButton::createIconButton(m_normal, QSize(40, 40), &window);
        if (allIcons) {
            b->setIcons(m_normal, m_hover, m_pressed, m_checked, m_disabled);
            b->setFocusIcon(m_focus);
        }
        const auto expect = [&](UniversalButton::VisualState state, const QString& icon) {
            return qMakePair(int(state), allIcons ? icon : m_normal);
        };
        window.show();
        QCOMPARE(look(b), expect(UniversalButton::StateNormal, m_normal));
        send(b, QEvent::Enter);
        QCOMPARE(look(b), expect(UniversalButton::StateIconHover, m_focus));

        QSignalSpy clicked(b, &QAbstractButton::clicked);
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(look(b), expect(UniversalButton::StatePressed, m_pressed));
        send(b, QEvent::Enter);  // entering again while pressed keeps the pressed look
        QCOMPARE(look(b), expect(UniversalButton::StatePressed, m_pressed));
        QTest::mouseRelease(b, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(look(b), expect(UniversalButton::StateIconHover, m_focus));
        send(b, QEvent::Leave);
        QCOMPARE(look(b), expect(UniversalButton::StateNormal, m_normal));

        b->setEnabled(false);
        QCOMPARE(look(b), expect(UniversalButton::StateDisabled, m_disabled));
        send(b, QEvent::Enter);  // ignored while disabled
        QCOMPARE(look(b), expect(UniversalButton::StateDisabled, m_disabled));
        b->setEnabled(true);
        QCOMPARE(look(b), expect(UniversalButton::StateNormal, m_normal));
    }

    void toggleKindKeepsCheckedLook() {
        QWidget window;
        auto* t = UniversalButton::createToggleButton(m_normal, m_hover, m_pressed, m_checked, QSize(60, 30),
                                                      &window);
        window.show();
        send(t, QEvent::Enter);
        QCOMPARE(look(t), qMakePair(int(UniversalButton::StateHover), m_hover));
        QTest::mousePress(t, Qt::LeftButton);
        QCOMPARE(t->visualState(), int(UniversalButton::StatePressed));
        QTest::mouseRelease(t, Qt::LeftButton);
        QVERIFY(t->isChecked());
        QCOMPARE(look(t), qMakePair(int(UniversalButton::StateChecked), m_checked));
        send(t, QEvent::Leave);
        QCOMPARE(t->visualState(), int(UniversalButton::StateChecked));
        QCOMPARE(pixel(t, 1, 1), QColor("#2A4563"));  // checked fill around the icon
        send(t, QEvent::Enter);
        QCOMPARE(t->visualState(), int(UniversalButton::StateChecked));

        // Clicking again unchecks: hovered while the pointer is on it, normal after leaving.
        QTest::mouseClick(t, Qt::LeftButton);
        QVERIFY(!t->isChecked());
        QCOMPARE(t->visualState(), int(UniversalButton::StateHover));
        send(t, QEvent::Leave);
        QCOMPARE(t->visualState(), int(UniversalButton::StateNormal));
        QCOMPARE(pixel(t, 1, 1), QColor("#55585B"));

        // Checked from code (a button group); disabled wins, and it comes back checked.
        t->setChecked(true);
        QCOMPARE(t->visualState(), int(UniversalButton::StateChecked));
        t->setEnabled(false);
        QCOMPARE(t->visualState(), int(UniversalButton::StateDisabled));
        QCOMPARE(pixel(t, 1, 1), QColor("#AAAAAA"));
        t->setEnabled(true);
        QCOMPARE(t->visualState(), int(UniversalButton::StateChecked));
        QCOMPARE(pixel(t, 1, 1), QColor("#2A4563"));

        // Missing checked and pressed icons fall back to the normal one; an invalid colour keeps
        // the default fill.
        auto* bare = UniversalButton::createToggleButton(m_normal, m_hover, QString(), QString(),
                                                         QSize(60, 30), &window);
        bare->setToggleColors(QColor("#101010"), QColor(), QColor("#303030"));
        QCOMPARE(bare->fillColor(UniversalButton::StateHover), QColor("#55585B"));
        bare->show();
        QCOMPARE(pixel(bare, 1, 1), QColor("#101010"));
        bare->setChecked(true);
        QCOMPARE(bare->currentIconPath(), m_normal);
        bare->setChecked(false);
        QTest::mousePress(bare, Qt::LeftButton);
        QCOMPARE(look(bare), qMakePair(int(UniversalButton::StatePressed), m_normal));
        QCOMPARE(pixel(bare, 1, 1), QColor("#303030"));
    }

    // A text button shows its state by its fill.
    void textKindStates() {
        QWidget window;
        auto* b = UniversalButton::createTextButton("相机控制", QFont(), QSize(200, 50), &window);
        window.show();
        QVERIFY(b->currentIconPath().isEmpty());
        QCOMPARE(pixel(b, 5, 25), QColor("#34383C"));
        send(b, QEvent::Enter);
        QCOMPARE(pixel(b, 5, 25), QColor("#3F4449"));
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(pixel(b, 5, 25), QColor("#2B2F33"));
        QTest::mouseRelease(b, Qt::LeftButton);
        QCOMPARE(b->visualState(), int(UniversalButton::StateHover));
        send(b, QEvent::Leave);
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
        QCOMPARE(look(b), qMakePair(int(UniversalButton::StateDisabled), m_disabled));
    }

    void sizes() {
        QWidget window;
        auto* icon = UniversalButton::createIconButton(m_normal, QSize(-1, 40), &window);
        QCOMPARE(icon->preferredSize(), QSize(-1, -1));  // negative sizes are not applied
        icon->setButtonSize(QSize(scaled(120), scaled(120)));
        QCOMPARE(icon->minimumSizeHint(), QSize(scaled(120), scaled(120)));

        // A 20x20 icon drawn at a preferred 10x10 inside a 40x40 toggle stays centred.
        auto* toggle = UniversalButton::createToggleButton(m_normal, m_normal, m_normal, m_normal,
                                                           QSize(40, 40), &window);
        toggle->setPreferredIconSize(QSize(10, 10));
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
