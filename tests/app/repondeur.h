#pragma once

// Answers the modal message boxes a test provokes, and remembers what they said.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

class RepondeurBoites : public QObject
{
public:
    struct Boite
    {
        QString titre;
        QString texte;
        QMessageBox::Icon icone;
    };

    RepondeurBoites()
    {
        connect(&m_minuterie, &QTimer::timeout, this, [this] {
            auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!boite || boite->property("repondue").toBool())
                return;
            boite->setProperty("repondue", true);
            boites.append({boite->windowTitle(), boite->text(), boite->icon()});
            boite->accept();
        });
        m_minuterie.start(10);
    }

    QList<Boite> boites;

private:
    QTimer m_minuterie;
};
