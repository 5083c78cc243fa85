// A scripted operator session against the simulator: every byte the controller receives must stay
// the same from one version of the program to the next. The listings are left out: they come
// twice a second whatever the operator does, so where they fall depends on timing only.
#include "bancfenetre.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

class TestTranscript : public QObject
{
    Q_OBJECT

private slots:
    void sessionScriptee();
};

namespace {
template <class W> W* widget(QWidget* fenetre, const char* nom)
{
    return fenetre->findChild<W*>(QString::fromLatin1(nom));
}

QByteArray echappe(const QByteArray& ligne)
{
    QByteArray e;
    for (char c : ligne) {
        if (c == '\r')
            e += "\\r";
        else if (c == '\n')
            e += "\\n";
        else
            e += c;
    }
    return e;
}
} // namespace

void TestTranscript::sessionScriptee()
{
    BancFenetre banc;
    QVERIFY(banc.demarrer());
    QWidget* w = banc.fenetre.get();
    w->show();
    banc.attendreCalme();

    // Manual mode: two sliders, then homing.
    widget<QSlider>(w, "AxeXSlider")->setValue(4000);
    banc.attendreCalme();
    widget<QSlider>(w, "AxeYSlider")->setValue(1000);
    banc.attendreCalme();
    QTest::mouseClick(widget<QPushButton>(w, "Homing du SCORBOT"), Qt::LeftButton);
    banc.attendreCalme();

    // Glove mode, one tick at a time so that nothing depends on the timer's phase.
    QTest::mouseClick(widget<QPushButton>(w, "LancerButton"), Qt::LeftButton);
    w->findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly)->stop();
    const auto tic = [&] {
        QVERIFY(QMetaObject::invokeMethod(w, "ActionTimer"));
        banc.attendreCalme();
    };
    SourceVirtuelle* gant = banc.gant();
    gant->definirPosition(100, 200, -100);
    tic();
    gant->definirFlexion(1, 51);
    tic();
    tic();
    gant->definirFlexion(1, 50);
    tic();
    gant->definirBouton(0, true);
    tic();
    gant->definirBouton(0, false);
    gant->definirPosition(-1000, 600, -400);
    tic();
    gant->definirBouton(1, true);
    tic();
    gant->definirBouton(1, false);
    tic();

    // Back to manual mode: the sliders' pose.
    w->findChild<QCheckBox*>()->click();
    banc.attendreCalme();
    banc.fenetre.reset();

    QByteArray obtenu;
    for (const LigneRecue& r : banc.sim.transcript())
        if (r.ligne.trimmed().toLower() != "listpv a")
            obtenu += echappe(r.ligne) + '\n';

    const QString reference = QStringLiteral(ZELVOR_SOURCES "/tests/app/transcript_session.txt");
    if (qEnvironmentVariableIsSet("ZELVOR_ECRIRE_TRANSCRIPT")) {
        QFile f(reference);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(obtenu);
        return;
    }
    QFile f(reference);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(obtenu, f.readAll());
}

QTEST_MAIN(TestTranscript)
#include "test_transcript.moc"
