<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>ContentView</name>
    <message>
        <source>Add a project below to start tracking.</source>
        <translation>Lege unten ein Projekt an, um die Zeiterfassung zu beginnen.</translation>
    </message>
    <message>
        <source>Project</source>
        <translation>Projekt</translation>
    </message>
    <message>
        <source>Remove selected project</source>
        <translation>Ausgewähltes Projekt entfernen</translation>
    </message>
    <message>
        <source>New project</source>
        <translation>Neues Projekt</translation>
    </message>
    <message>
        <source>New Project...</source>
        <translation>Neues Projekt …</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Elapsed time</source>
        <translation>Verstrichene Zeit</translation>
    </message>
    <message>
        <source>Total Time by Project</source>
        <translation>Gesamtzeit nach Projekt</translation>
    </message>
    <message>
        <source>Totals</source>
        <translation>Summen</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>CSV exportieren</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Stop (%1)</source>
        <translation>Stopp (%1)</translation>
    </message>
    <message>
        <source>Tracking %1, %2</source>
        <translation>Zeiterfassung läuft: %1, %2</translation>
    </message>
    <message>
        <source>Start Tracking</source>
        <translation>Zeiterfassung starten</translation>
    </message>
    <message>
        <source>Tockles</source>
        <translation>Tockles</translation>
    </message>
</context>
<context>
    <name>DesktopFileViewer</name>
    <message>
        <source>Tockles could not export</source>
        <translation>Tockles konnte nicht exportieren</translation>
    </message>
    <message>
        <source>There is no Documents folder to write the CSV file to.</source>
        <translation>Es gibt keinen Dokumente-Ordner, in den die CSV-Datei geschrieben werden könnte.</translation>
    </message>
    <message>
        <source>The CSV file could not be written to %1.</source>
        <translation>Die CSV-Datei konnte nicht in %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>Tockles exported the CSV file</source>
        <translation>Tockles hat die CSV-Datei exportiert</translation>
    </message>
    <message>
        <source>It was saved as %1.</source>
        <translation>Sie wurde als %1 gespeichert.</translation>
    </message>
</context>
<context>
    <name>PanelWindow</name>
    <message>
        <source>Tockles</source>
        <translation>Tockles</translation>
    </message>
</context>
<context>
    <name>TocklesApp</name>
    <message>
        <source>Tockles — %1 %2</source>
        <translation>Tockles — %1 %2</translation>
    </message>
    <message>
        <source>Not saved yet: the data folder cannot be written or read.</source>
        <translation>Noch nicht gesichert: Der Datenordner kann nicht beschrieben oder gelesen werden.</translation>
    </message>
    <message>
        <source>Tockles (not saved)</source>
        <translation>Tockles (nicht gesichert)</translation>
    </message>
    <message>
        <source>Tockles</source>
        <translation>Tockles</translation>
    </message>
</context>
<context>
    <name>TrayItem</name>
    <message>
        <source>Tockles</source>
        <translation>Tockles</translation>
    </message>
    <message>
        <source>Open Tockles</source>
        <translation>Tockles öffnen</translation>
    </message>
    <message>
        <source>Tockles cannot save</source>
        <translation>Tockles kann nicht sichern</translation>
    </message>
    <message>
        <source>Your latest changes are kept and saved as soon as the data folder can be written and read again; if you quit Tockles meanwhile, when you start it again. Logging out before then loses them.</source>
        <translation>Deine letzten Änderungen bleiben erhalten und werden gesichert, sobald der Datenordner wieder beschrieben und gelesen werden kann; beendest du Tockles vorher, beim nächsten Start. Wenn du dich vorher abmeldest, gehen sie verloren.</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
</TS>
