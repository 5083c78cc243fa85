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
        bool modale;
    };

    RepondeurBoites()
    {
        connect(&m_minuterie, &QTimer::timeout, this, [this] {
            // Modal boxes and the ones that leave the window free alike.
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* boite = qobject_cast<QMessageBox*>(w);
                if (!boite || !boite->isVisible() || boite->property("vue").toBool())
                    continue;
                boite->setProperty("vue", true);
                boites.append({boite->windowTitle(), boite->text(), boite->icon(),
                               boite->isModal() || boite->windowModality() != Qt::NonModal});
                if (repondre)
                    boite->accept();
            }
        });
        m_minuterie.start(10);
    }

    QList<Boite> boites;
    bool repondre = true; // false: the boxes stay up, as for an operator who lets them be

private:
    QTimer m_minuterie;
};
