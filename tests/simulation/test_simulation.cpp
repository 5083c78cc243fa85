// The virtual glove panel: what its keys do to the glove the window reads.
#include "app/panneaugantvirtuel.h"
#include "glove/sourcevirtuelle.h"

#include <QSlider>
#include <QTest>

class TestSimulation : public QObject
{
    Q_OBJECT

private slots:
    void clavierDuPanneau_data()
    {
        QTest::addColumn<QList<int>>("touches"); // pressed and released, but the last only pressed
        QTest::addColumn<QString>("gant");       // x y z, gripper bend, buttons held
        const int maj = Qt::ShiftModifier;
        using L = QList<int>;
        QTest::newRow("gauche, bas") << L{Qt::Key_Left, Qt::Key_Down} << "-50 -50 0 0 00";
        QTest::newRow("Maj+haut, Z") << L{maj | Qt::Key_Up, Qt::Key_PageUp} << "0 200 50 0 00";
        QTest::newRow("bords") << L(6, maj | Qt::Key_Right) + L(6, maj | Qt::Key_PageDown)
                               << "1000 0 -1000 0 00";
        QTest::newRow("origine") << L{Qt::Key_Right, Qt::Key_PageUp, Qt::Key_Home} << "0 0 0 0 00";
        QTest::newRow("espace plie") << L{Qt::Key_Space} << "0 0 0 255 00";
        QTest::newRow("espace tend") << L{Qt::Key_Space, Qt::Key_Space} << "0 0 0 0 00";
        QTest::newRow("2 tenu, 1 lâché") << L{Qt::Key_1, Qt::Key_2} << "0 0 0 0 01";
    }

    void clavierDuPanneau()
    {
        QFETCH(QList<int>, touches);
        SourceVirtuelle source;
        PanneauGantVirtuel panneau(&source, nullptr);
        for (qsizetype i = 0; i < touches.size(); ++i) {
            const auto touche = Qt::Key(touches[i] & ~Qt::KeyboardModifierMask);
            const auto mods = Qt::KeyboardModifiers(touches[i] & Qt::KeyboardModifierMask);
            QTest::keyPress(&panneau, touche, mods);
            if (i + 1 < touches.size())
                QTest::keyRelease(&panneau, touche, mods);
        }
        const EtatGant e = source.etat();
        QTEST(QString("%1 %2 %3 %4 %5%6")
                  .arg(e.x)
                  .arg(e.y)
                  .arg(e.z)
                  .arg(e.flexion[1])
                  .arg(e.bouton[0])
                  .arg(e.bouton[1]),
              "gant");
        QCOMPARE(panneau.curseurZ()->value(), int(e.z));
    }
};

QTEST_MAIN(TestSimulation)
#include "test_simulation.moc"
