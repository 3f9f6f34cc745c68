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
        <source>Start Tracking</source>
        <translation>Zeiterfassung starten</translation>
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
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
</TS>
