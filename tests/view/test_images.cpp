// The pictures are compiled into the UI library; a program linking it must find them.

#include <QPixmap>
#include <QTest>

class TestImages : public QObject
{
    Q_OBJECT

private slots:
    void ressources_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QSize>("taille");
        QTest::newRow("icone") << QStringLiteral(":/zv.bmp") << QSize(32, 32);
        QTest::newRow("gant") << QStringLiteral(":/p5glov.jpg") << QSize(211, 131);
        QTest::newRow("robot") << QStringLiteral(":/EV5.bmp") << QSize(101, 120);
    }

    void ressources()
    {
        QFETCH(QString, nom);
        QFETCH(QSize, taille);
        const QPixmap pixmap(nom);
        QVERIFY2(!pixmap.isNull(), qPrintable(nom));
        QCOMPARE(pixmap.size(), taille);
    }
};

QTEST_MAIN(TestImages)
#include "test_images.moc"
