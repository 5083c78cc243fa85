<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="fr_FR">
<context>
    <name>GLObjectWindow</name>
    <message>
        <source>ZELVOR</source>
        <translation>ZELVOR</translation>
    </message>
    <message>
        <source>Gestion du capteur 3D :</source>
        <translation>3D sensor:</translation>
    </message>
    <message>
        <source>Position du P5 :</source>
        <translation>P5 position:</translation>
    </message>
    <message>
        <source>Manette débranchée :</source>
        <translation>Gamepad unplugged:</translation>
    </message>
    <message>
        <source>Z =</source>
        <translation>Z =</translation>
    </message>
    <message>
        <source>Y =</source>
        <translation>Y =</translation>
    </message>
    <message>
        <source>X =</source>
        <translation>X =</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>Visualisation 3D :</source>
        <translation>3D view:</translation>
    </message>
    <message>
        <source>+ Capteur</source>
        <translation>+ Sensor</translation>
    </message>
    <message>
        <source>+ Robot</source>
        <translation>+ Robot</translation>
    </message>
    <message>
        <source>Gestion du robot :</source>
        <translation>Robot control:</translation>
    </message>
    <message>
        <source>Homing du SCORBOT</source>
        <translation>Home the SCORBOT</translation>
    </message>
    <message>
        <source>Axe X :</source>
        <translation>X axis:</translation>
    </message>
    <message>
        <source>Axe Y :</source>
        <translation>Y axis:</translation>
    </message>
    <message>
        <source>Axe Z :</source>
        <translation>Z axis:</translation>
    </message>
    <message>
        <source>Axe R :</source>
        <translation>R axis:</translation>
    </message>
    <message>
        <source>Axe P :</source>
        <translation>P axis:</translation>
    </message>
    <message>
        <source>Delta X :</source>
        <translation>Delta X:</translation>
    </message>
    <message>
        <source>Delta Y :</source>
        <translation>Delta Y:</translation>
    </message>
    <message>
        <source>Delta Z :</source>
        <translation>Delta Z:</translation>
    </message>
    <message>
        <source>Axe X</source>
        <translation>X axis</translation>
    </message>
    <message>
        <source>Axe Y</source>
        <translation>Y axis</translation>
    </message>
    <message>
        <source>Axe Z</source>
        <translation>Z axis</translation>
    </message>
    <message>
        <source>Lancer</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Position :</source>
        <translation>Position:</translation>
    </message>
    <message>
        <source>Aucun périphérique P5 détecté</source>
        <translation>No P5 device detected</translation>
    </message>
    <message>
        <source>Aucun périphérique P5 n&apos;a été détecté sur votre ordinateur. 
Veuillez vérifier votre dispositif.
Code erreur : E0001</source>
        <translation>No P5 device was detected on your computer. 
Please check your device.
Error code: E0001</translation>
    </message>
    <message>
        <source>Erreur de configuration du port Série</source>
        <translation>Serial port configuration error</translation>
    </message>
    <message>
        <source>Impossible d&apos;ouvrir le port %1.
Code erreur : E0002</source>
        <translation>Cannot open port %1.
Error code: E0002</translation>
    </message>
    <message>
        <source>Erreur lors de la configuration du port %1.
Code erreur : E0003</source>
        <translation>Error while configuring port %1.
Error code: E0003</translation>
    </message>
    <message>
        <source>Impossible de lancer le timer</source>
        <translation>Cannot start the timer</translation>
    </message>
    <message>
        <source>Le timer est inactif, impossible de le lancer.
Code erreur : E0004</source>
        <translation>The timer is inactive and cannot be started.
Error code: E0004</translation>
    </message>
    <message>
        <source>Liaison avec le robot interrompue</source>
        <translation>Link with the robot interrupted</translation>
    </message>
    <message>
        <source>Le contrôleur du robot ne répond pas sur le port %1.
Code erreur : E0005</source>
        <translation>The robot controller does not answer on port %1.
Error code: E0005</translation>
    </message>
    <message>
        <source>Le port %1 a été fermé ou débranché.
Code erreur : E0006</source>
        <translation>Port %1 was closed or unplugged.
Error code: E0006</translation>
    </message>
    <message>
        <source>A propos</source>
        <translation>About</translation>
    </message>
    <message>
        <source>ZELVOR %1
Realisé par : l&apos;équipe ZELVOR
Encadré par : le laboratoire de robotique ZELVOR</source>
        <translation>ZELVOR %1
Made by: the ZELVOR team
Supervised by: the ZELVOR robotics laboratory</translation>
    </message>
    <message>
        <source>Écriture impossible</source>
        <translation>Cannot write</translation>
    </message>
    <message>
        <source>la sortie d&apos;erreur</source>
        <translation>the standard error</translation>
    </message>
    <message>
        <source>La trace de la liaison ne peut plus être écrite dans %1 :
%2.
La liaison continue sans trace.</source>
        <translation>The line&apos;s trace can no longer be written to %1:
%2.
The link goes on without a trace.</translation>
    </message>
    <message>
        <source>L&apos;enregistrement du gant ne peut plus être écrit dans %1 :
%2.
Il s&apos;arrête ; le fichier se rejoue jusqu&apos;à son dernier échantillon complet.</source>
        <translation>The glove recording can no longer be written to %1:
%2.
It stops; the file replays up to its last whole sample.</translation>
    </message>
</context>
<context>
    <name>PanneauGantVirtuel</name>
    <message>
        <source>Gant virtuel</source>
        <translation>Virtual glove</translation>
    </message>
    <message>
        <source>Clavier : flèches pour X et Y (Maj : pas plus grand), Page préc. et Page suiv. pour Z, Espace plie ou tend le doigt, 1 et 2 tiennent les boutons, Origine recentre la main.</source>
        <translation>Keyboard: arrows for X and Y (Shift: larger steps), Page Up and Page Down for Z, Space bends or straightens the finger, 1 and 2 hold the buttons, Home centres the hand.</translation>
    </message>
    <message>
        <source>Main (X, Y) :</source>
        <translation>Hand (X, Y):</translation>
    </message>
    <message>
        <source>Hauteur (Z)</source>
        <translation>Height (Z)</translation>
    </message>
    <message>
        <source>Flexion du doigt de la pince (0 à 255) :</source>
        <translation>Bend of the gripper finger (0 to 255):</translation>
    </message>
    <message>
        <source>Au-delà de %1, la pince se ferme.</source>
        <translation>Above %1, the gripper closes.</translation>
    </message>
    <message>
        <source>Bouton 1</source>
        <translation>Button 1</translation>
    </message>
    <message>
        <source>Tenu : remet le gant à zéro.</source>
        <translation>Held: re-zeroes the glove.</translation>
    </message>
    <message>
        <source>Bouton 2</source>
        <translation>Button 2</translation>
    </message>
    <message>
        <source>Tenu : renvoie le robot à l&apos;origine.</source>
        <translation>Held: sends the robot home.</translation>
    </message>
    <message>
        <source>Bras simulé</source>
        <translation>Simulated arm</translation>
    </message>
    <message>
        <source>Gant : X %1  Y %2  Z %3  flexion %4</source>
        <translation>Glove: X %1  Y %2  Z %3  bend %4</translation>
    </message>
    <message>
        <source>Bras : X %1  Y %2  Z %3  P %4  R %5</source>
        <translation>Arm: X %1  Y %2  Z %3  P %4  R %5</translation>
    </message>
    <message>
        <source>Homing en cours</source>
        <translation>Homing</translation>
    </message>
    <message>
        <source>En mouvement</source>
        <translation>Moving</translation>
    </message>
    <message>
        <source>À l&apos;arrêt</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>Pince ouverte</source>
        <translation>Gripper open</translation>
    </message>
    <message>
        <source>Pince fermée</source>
        <translation>Gripper closed</translation>
    </message>
</context>
<context>
    <name>FenetreCourbes</name>
    <message>
        <source>Suivi du bras</source>
        <translation>Arm tracking</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Reprendre</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>En pause : revenir sur les cinq dernières minutes</source>
        <translation>While paused: scroll back over the last five minutes</translation>
    </message>
    <message>
        <source>Exporter en CSV…</source>
        <translation>Export as CSV…</translation>
    </message>
    <message>
        <source>Exporter en PNG…</source>
        <translation>Export as PNG…</translation>
    </message>
    <message>
        <source>Exporter les courbes en CSV</source>
        <translation>Export the plots as CSV</translation>
    </message>
    <message>
        <source>Fichiers CSV (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>Exporter l&apos;image des courbes</source>
        <translation>Export the plots&apos; picture</translation>
    </message>
    <message>
        <source>Images PNG (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <source>Exportation impossible</source>
        <translation>Export failed</translation>
    </message>
    <message>
        <source>Impossible d&apos;écrire %1 :
%2
Rien de ce qui est gardé n&apos;est perdu : une autre exportation l&apos;écrira entier.</source>
        <translation>Cannot write %1:
%2
Nothing kept is lost: another export will write all of it.</translation>
    </message>
    <message>
        <source>cible</source>
        <translation>target</translation>
    </message>
    <message>
        <source>position listée</source>
        <translation>listed position</translation>
    </message>
    <message>
        <source>pose écrite</source>
        <translation>pose written</translation>
    </message>
    <message>
        <source>borne</source>
        <translation>clamp</translation>
    </message>
    <message>
        <source>temps (s)</source>
        <translation>time (s)</translation>
    </message>
    <message>
        <source>fermeture</source>
        <translation>close</translation>
    </message>
    <message>
        <source>ouverture</source>
        <translation>open</translation>
    </message>
    <message>
        <source>homing</source>
        <translation>homing</translation>
    </message>
    <message>
        <source>fin du homing</source>
        <translation>homing over</translation>
    </message>
    <message>
        <source>retour</source>
        <translation>back</translation>
    </message>
</context>
</TS>
