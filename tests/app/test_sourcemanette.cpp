// The gamepad glove, driven by a virtual pad of SDL's inside the test, against the in-process
// simulator: what the sticks, the trigger and the buttons send to the controller, and what the
// operator is told when the pad goes and comes back. The pad's clock is the test's, so that a
// stick is held for an exact time.
#include "bancfenetre.h"
#include "glove/sourcemanette.h"

#include <SDL.h>

constexpr int R = -32768; // a trigger at rest: SDL reads the raw axis from its lowest value

class TestSourceManette : public QObject
{
    Q_OBJECT

    BancFenetre m_banc;
    SDL_Joystick* m_pad = nullptr;
    std::int64_t m_ms = 0; // the pad's clock
    bool m_lue = false;    // the source read its clock since this was cleared

    // A new virtual pad, opened for the test to move: 6 axes and 15 buttons in the usual
    // pad's layout, which SDL knows.
    static SDL_Joystick* brancher()
    {
        return SDL_JoystickOpen(
            SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0));
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0);
        m_banc.ouvrir("/dev/zelvor-absent", {}, "manette"); // no pad: E0001, then E0002
        QTRY_COMPARE(m_banc.repondeur.boites.size(), 2);
        QVERIFY(m_banc.repondeur.boites[0].texte.endsWith("E0001"));
        QVERIFY(m_banc.repondeur.boites[1].texte.endsWith("E0002"));
        QVERIFY(!m_banc.widget("LancerButton")->isEnabled());
        QVERIFY(m_pad = brancher());
        QVERIFY(m_banc.demarrer(
            "", BancFenetre::rapide(1000), {},
            std::make_unique<SourceManette>(1, [this] { return m_lue = true, m_ms; })));
        m_banc.cliquer("LancerButton");
        m_banc.attendreCalme();
    }

    void manoeuvres_data()
    {
        // Left X and Y, right Y, trigger, A, B; none: the pad is pulled out, and the next row
        // plugs a new one in.
        QTest::addColumn<QList<int>>("manette");
        QTest::addColumn<int>("ms");             // how long the pad is held so
        QTest::addColumn<QString>("main");       // the hand as the glove readouts show it
        QTest::addColumn<QByteArray>("attendu"); // what the controller receives; XYZ for a pose
        const auto l = [](const char* nom, QList<int> m, int ms, const char* main, QByteArray fil) {
            if (fil.size() > 5)
                fil = "defp a teach a " + fil + " -850 0 move a";
            QTest::newRow(nom) << m << ms << QString(main) << fil;
        };
        l("à droite, 0,5 s", {32767, 0, 0, R, 0, 0}, 500, "500 0 0", "3162 -2250 2450");
        l("relâchés, zone morte", {8191, -8191, 8191, R, 0, 0}, 1000, "500 0 0", "");
        l("en avant à mi-course", {0, -20479, 0, R, 0, 0}, 400, "500 0 200", "4022 -2250 2450");
        l("vers le haut", {0, 0, -32767, R, 0, 0}, 300, "500 300 200", "4022 -2250 3920");
        l("jusqu'au bord", {-32768, 0, 0, R, 0, 0}, 3000, "-1000 300 200", "4022 4500 3920");
        l("retour du bord", {32767, 0, 0, R, 0, 0}, 200, "-800 300 200", "4022 3600 3920");
        l("gâchette", {0, 0, 0, 32767, 0, 0}, 0, "-800 300 200", "close");
        l("gâchette relâchée", {0, 0, 0, R, 0, 0}, 0, "-800 300 200", "open");
        l("A", {0, 0, 0, R, 1, 0}, 0, "0 0 0", "");
        l("après A", {32767, 0, 0, R, 0, 0}, 200, "200 0 0", "3162 -900 2450");
        l("débranchée", {}, 1000, "200 0 0", "");
        l("rebranchée, A tenu", {32767, 0, 0, 32767, 1, 0}, 200, "400 0 0", "3162 -1800 2450");
        l("A relâché", {0, 0, 0, R, 0, 0}, 0, "400 0 0", "");
        l("A appuyé", {0, 0, 0, R, 1, 0}, 0, "0 0 0", "");
        l("B", {0, 0, 0, R, 0, 1}, 0, "0 0 0", "home"); // last: it homes for a second
    }

    // Each row holds the pad so for its time, and a tick or more beyond.
    void manoeuvres()
    {
        QFETCH(QList<int>, manette);
        QFETCH(int, ms);
        QFETCH(QString, main);
        QFETCH(QByteArray, attendu);
        const qsizetype avant = m_banc.commandes().size();
        if (manette.isEmpty())
            SDL_JoystickClose(std::exchange(m_pad, nullptr)), SDL_JoystickDetachVirtual(0);
        else if (!m_pad)
            QVERIFY(m_pad = brancher());
        const int axes[] = {SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_AXIS_LEFTY,
                            SDL_CONTROLLER_AXIS_RIGHTY, SDL_CONTROLLER_AXIS_TRIGGERRIGHT};
        for (int i = 0; i < manette.size(); ++i)
            (i < 4 ? SDL_JoystickSetVirtualAxis(m_pad, axes[i], Sint16(manette[i]))
                   : SDL_JoystickSetVirtualButton(m_pad, i - 4, Uint8(manette[i])));
        QTRY_COMPARE(m_banc.widget<QLabel>("PositionP5Label")->text(),
                     m_pad ? QString("Position du P5 :") : "Manette débranchée :");
        m_ms += ms, m_lue = false;
        QTRY_VERIFY(m_lue);
        m_banc.attendreCalme();
        QCOMPARE(m_banc.lectures("CapteurFrame").join(' '), main);
        QCOMPARE(m_banc.commandes().mid(avant).join(' '), attendu);
    }
};

QTEST_MAIN(TestSourceManette)
#include "test_sourcemanette.moc"
