// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in catalogues of the language library: English, German (code page 1252) and the key
// table that names every text with four letters for external language files.
//
// One row per identifier, in table order; the three tables are built from the rows, so they always
// hold the same identifiers in the same order. German texts are code page 1252 bytes written as
// octal escapes; a comment above such a row shows the text readably.
#include <array>
#include <cstddef>
#include <cstdint>

#include "lang/tarnqlng/tables.h"

namespace tarnq::lang::library {
namespace {

struct Row {
  int16_t id;
  const char* key;
  const char* english;
  const char* german;
};

constexpr Row kRows[] = {
    {2003, "Tns1", "", ""},
    {2004, "Tns2", "", ""},
    {460, "SzCl", "Adjust the size of the column;Adjust column width according to content",
     "Spaltenbreite anpassen;Breite der Spalte an den Inhalt anpassen"},
    {461, "SzAl", "Adjust the size of all columns;Adjust size of all columns according to content",
     "Alle Spaltenbreiten anpassen;Breite aller Spalten an den Inhalt anpassen"},
    // &Datei;Befehle für Dateien
    {101, "mFle", "&File;Commands with files", "&Datei;Befehle f\374r Dateien"},
    {100, "Exit", "E&xit;Quits the application", "&Beenden;Beendet das Programm"},
    {102, "JNew", "&New Preset;Creates a new preset", "&Neues Profil;Erstellt ein neues Suchprofil"},
    // Profil ö&ffnen...;Öffnet ein vorhandenes Suchprofil
    {103, "JOpe", "&Open Preset...;Opens an existing preset",
     "Profil \366&ffnen...;\326ffnet ein vorhandenes Suchprofil"},
    {106, "APly", "&Play;Play the sound file", "&Abspielen;Die Audiodatei abspielen"},
    {108, "FCpy", "&Copy...;Copy files;Copy Files", "&Kopieren...;Dateien kopieren;Dateien kopieren"},
    {109, "FMve", "M&ove...;Move files", "&Verschieben...;Dateien verschieben"},
    {110, "FRen", "&Rename...;Rename file", "&Umbenennen...;Datei umbenennen"},
    // &Löschen...;Dateien löschen
    {111, "FDel", "De&lete...;Delete files", "&L\366schen...;Dateien l\366schen"},
    {118, "RSve", "Save results...;Save the search result list",
     "Ergebnisse speichern...;Die Liste der Suchergebnisse speichern"},
    {119, "RLod", "Load results...;Load the search result list",
     "Ergebnisse laden...;Eine Liste von Suchergebnissen laden"},
    {113, "Expt", "Expor&t List...;Export the list in a file",
     "Liste e&xportieren...;Die Liste in eine Datei exportieren"},
    // Aus Liste entfernen;Entfernt die ausgewählten Einträge aus der Liste;Aus der Liste entfernen
    {114, "RFrL", "Remove from list;Removes the selected entries from the list;Remove from the list",
     "Aus Liste entfernen;Entfernt die ausgew\344hlten Eintr\344ge aus der Liste;Aus der Liste entfernen"},
    {112, "Prpt", "Propert&ies...;Show the element properties",
     "&Eigenschaften...;Zeigt die Eigenschaften des Elements"},
    {120, "mEdt", "&Edit;Edit functions", "&Bearbeiten;Bearbeitungsfunktionen"},
    // &Duplikate auswählen;Alle Duplikate auswählen
    {121, "SDps", "Select D&upes;Select all dupes", "&Duplikate ausw\344hlen;Alle Duplikate ausw\344hlen"},
    // &Alles auswählen
    {122, "SelS", "Select &all", "&Alles ausw\344hlen"},
    // Auswahl au&fheben;Die Auswahl aller ausgewählten Elemente aufheben
    {123, "SelD", "&Deselect all;Unselect all selected elements",
     "Auswahl au&fheben;Die Auswahl aller ausgew\344hlten Elemente aufheben"},
    {124, "SelI", "&Invert selection;Invert the selection", "Auswahl &umkehren;Die Auswahl umkehren"},
    {125, "JEdt", "&Preset...;Edit the actual preset;Edit Preset",
     "&Profil...;Das aktuelle Suchprofil bearbeiten;Profil bearbeiten"},
    // Ausgewählte Namen kopieren;Die ausgewählten Namen in die Zwischenablage kopieren
    {126, "SSCl", "Copy selected names;Copy the selected names to clipboard",
     "Ausgew\344hlte Namen kopieren;Die ausgew\344hlten Namen in die Zwischenablage kopieren"},
    // Ausgewählte Pfadnamen kopieren;Die ausgewählten Pfadnamen in die Zwischenablage kopieren
    {127, "SPCl", "Copy selected pathnames;Save the selected pathnames to clipboard",
     "Ausgew\344hlte Pfadnamen kopieren;Die ausgew\344hlten Pfadnamen in die Zwischenablage kopieren"},
    {128, "SACl", "Copy selection;Save the file names with details to clipboard",
     "Auswahl kopieren;Die Dateinamen mit Details in die Zwischenablage kopieren"},
    {129, "SClN", "Copy selection with &header;Copy selection with header to clipboard",
     "Auswahl mit &Kopfzeile kopieren;Die Auswahl mit Kopfzeile in die Zwischenablage kopieren"},
    {130, "mExr", "E&xtra;More functions", "E&xtras;Weitere Funktionen"},
    {131, "eFnd", "&Search;Starts the search", "&Suchen;Startet die Suche"},
    {132, "Stop", "St&op search;Stop the search process", "Suche a&bbrechen;Bricht den Suchvorgang ab"},
    // &Gehe zu;Öffnet einen anderen Bereich
    {134, "GoTo", "&Go to;Opens another area", "&Gehe zu;\326ffnet einen anderen Bereich"},
    // &Ähnlichkeit testen...;Die Ähnlichkeit testen
    {133, "Simi", "&Test similarity...;Test the similarity",
     "&\304hnlichkeit testen...;Die \304hnlichkeit testen"},
    {136, "NCon", "&Network connections...", "&Netzlaufwerke verbinden..."},
    {137, "NDsc", "Disconnect net&work drives...", "Netzlaufwerke &trennen..."},
    // &Ansicht;Anzeigeoptionen wählen
    {140, "mViw", "&View;Choose view options", "&Ansicht;Anzeigeoptionen w\344hlen"},
    {141, "VTbr", "&Toolbar;Shows or hides the toolbar",
     "&Symbolleiste;Zeigt oder verbirgt die Symbolleiste"},
    {142, "VSBr", "Status &Bar;Shows or hides the status bar",
     "Status&leiste;Zeigt oder verbirgt die Statusleiste"},
    {143, "VIcs", "&Icons;Shows or hides the icons", "S&ymbole;Zeigt oder verbirgt die Symbole"},
    {150, "mSrt", "&Sort by;Sort the elements by....", "S&ortieren nach;Die Elemente sortieren nach...."},
    {151, "BNme", "File&name;Sort alphabetical by filename",
     "Datei&name;Alphabetisch nach Dateinamen sortieren"},
    {152, "BExt", "&Extension;Sort elements alphabetical by extension;Sort by extension",
     "&Erweiterung;Elemente alphabetisch nach Erweiterung sortieren;Nach Erweiterung sortieren"},
    // Gr&öße;Elemente nach Größe sortieren;Nach Größe sortieren
    {164, "BSze", "&Size;Sort elements by size;Sort by size",
     "Gr&\366\337e;Elemente nach Gr\366\337e sortieren;Nach Gr\366\337e sortieren"},
    {165, "BTme", "&Time;Sort elements by time;Sort by time",
     "&Zeit;Elemente nach Zeit sortieren;Nach Zeit sortieren"},
    {153, "BPth", "&Path;Sort elements by the storage place",
     "&Pfad;Elemente nach dem Speicherort sortieren"},
    {154, "BArt", "&Artist;Sort files by Artist", "&Interpret;Dateien nach Interpret sortieren"},
    {155, "BTit", "T&itle;Sort files by Title", "&Titel;Dateien nach Titel sortieren"},
    {156, "BAlb", "A&lbum;Sort files by Album", "A&lbum;Dateien nach Album sortieren"},
    {157, "BTrk", "T&rack;Sort files by Track", "Tr&ack;Dateien nach Track sortieren"},
    {158, "BGnr", "&Genre;Sort files by Genre", "&Genre;Dateien nach Genre sortieren"},
    {159, "BBtr", "&Bitrate;Sort files by Bitrate", "&Bitrate;Dateien nach Bitrate sortieren"},
    {160, "BDur", "&Duration;Sort files by Duration", "&Dauer;Dateien nach Dauer sortieren"},
    {161, "BTpe", "T&ype;Sort elements by type;Sort by type",
     "T&yp;Elemente nach Typ sortieren;Nach Typ sortieren"},
    // BP&M;Nach BPM sortieren (Schläge pro Minute)
    {162, "BBPM", "B&PM;Sort by BPM (beats per minute)", "BP&M;Nach BPM sortieren (Schl\344ge pro Minute)"},
    {163, "BCmt", "Co&mment;Sort by comment", "&Kommentar;Nach Kommentar sortieren"},
    {166, "BNon", "&Unsorted;Show the elements in the same order as found",
     "&Unsortiert;Die Elemente in der Reihenfolge zeigen, in der sie gefunden wurden"},
    {167, "BRvs", "&Reversed order;Reverse the sort order",
     "Umgekehrte &Reihenfolge;Die Sortierreihenfolge umkehren"},
    // &Optionen;Einstellungen wählen oder ändern
    {180, "mOpt", "&Options;Select or change the settings",
     "&Optionen;Einstellungen w\344hlen oder \344ndern"},
    {181, "OpTB", "Customize &Toolbar...;Customize the toolbar",
     "&Symbolleiste anpassen...;Die Symbolleiste anpassen"},
    {182, "Font", "&Font...;Set the window font", "Schrift&art...;Die Schriftart des Fensters festlegen"},
    {183, "CNFG", "&Configuration...;Set various options",
     "&Konfiguration...;Verschiedene Optionen einstellen"},
    // Auswahl-&Favoriten...;Die Liste der bevorzugten Ordner für die Auswahl bearbeiten
    {189, "SlFv", "Selection &favorites...;Config the selection favorites folders list",
     "Auswahl-&Favoriten...;Die Liste der bevorzugten Ordner f\374r die Auswahl bearbeiten"},
    // S&prache...;Die Sprache wählen
    {185, "Lnge", "L&anguage...;Select the language", "S&prache...;Die Sprache w\344hlen"},
    {186, "OpBk", "&Backup Settings...;Backup all settings to file",
     "Einstellungen si&chern...;Alle Einstellungen in eine Datei sichern"},
    {187, "OpRt", "&Restore Settings...;Restore all settings from file",
     "Einstellungen &wiederherstellen...;Alle Einstellungen aus einer Datei wiederherstellen"},
    // Einstellungen zurücksetzen;Alle Einstellungen auf ihre Standardwerte zurücksetzen
    {188, "OpRD", "Reset Settings;Reset all settings to their default values",
     "Einstellungen zur\374cksetzen;Alle Einstellungen auf ihre Standardwerte zur\374cksetzen"},
    // Dunkler Modus;Den dunklen Modus wählen
    {170, "Dark", "Dark Mode;Select the dark mode", "Dunkler Modus;Den dunklen Modus w\344hlen"},
    {171, "DrkD", "Disable dark mode;Disable the dark mode",
     "Dunklen Modus ausschalten;Den dunklen Modus ausschalten"},
    // Dunklen Modus erlauben;Den dunklen Modus erlauben (hängt von den Systemeinstellungen ab)
    {172, "DrkA", "Allow dark mode;Allow the dark mode (depends of Windows settings)",
     "Dunklen Modus erlauben;Den dunklen Modus erlauben (h\344ngt von den Systemeinstellungen ab)"},
    {173, "DrkF", "Force dark mode;Force the dark mode",
     "Dunklen Modus erzwingen;Den dunklen Modus erzwingen"},
    {30000, "Tsks", "&Switch list;Show the active task list",
     "&Fenster wechseln;Zeigt die Liste der offenen Fenster"},
    {200, "Help", "&Help", "&Hilfe"},
    // &Hilfe;Öffnet das Hilfefenster des Programms
    {201, "Hlpc", "&Help;Open the application help window",
     "&Hilfe;\326ffnet das Hilfefenster des Programms"},
    // &Tastenkürzel;Zeigt die eingestellten Tastenkürzel
    {202, "HKys", "&Keyboard Shortcuts;Displays the configured keyboard shortcuts",
     "&Tastenk\374rzel;Zeigt die eingestellten Tastenk\374rzel"},
    // &Online gehen;Öffnet Ihren Webbrowser
    {203, "GoOL", "&Go Online;Opens your WWW Browser", "&Online gehen;\326ffnet Ihren Webbrowser"},
    {204, "CkUd", "Check for &Updates;Check for new Updates",
     "Nach &Updates suchen;Nach neuen Updates suchen"},
    // Ein Update ist verfügbar:
    {1001, "CkUN", "An update is available:", "Ein Update ist verf\374gbar:"},
    {1003, "CkUA", "is up to date.", "ist auf dem neuesten Stand."},
    {206, "Abot", "&Product Information...;Displays application information, version number, and copyright",
     "&Produktinformation...;Zeigt Programminformationen, Versionsnummer und Copyright"},
    {40, "lFle", "Filename", "Dateiname"},
    // Größe
    {52, "lSze", "Size", "Gr\366\337e"},
    // Geändert
    {53, "lMdf", "Modified", "Ge\344ndert"},
    {41, "lPth", "Path", "Pfad"},
    {42, "lArt", "Artist", "Interpret"},
    {43, "lSng", "Title", "Titel"},
    {44, "lAlb", "Album", "Album"},
    {45, "lTrc", "Track", "Track"},
    {46, "lGnr", "Genre", "Genre"},
    {47, "lBrt", "Bitrate", "Bitrate"},
    {48, "lDrt", "Duration", "Dauer"},
    {49, "lTpe", "Type", "Typ"},
    {50, "lCmt", "Comment", "Kommentar"},
    {51, "lBPM", "BPM", "BPM"},
    {1258, "ltNA", "N/A", "k. A."},
    // Tastenkürzel
    {30, "lKSh", "Shortcut", "Tastenk\374rzel"},
    {54, "lNme", "Name", "Name"},
    {56, "lExt", "Extension", "Erweiterung"},
    {57, "lPlg", "Plugin", "Plugin"},
    {58, "lCnd", "Condition", "Bedingung"},
    {59, "lPrm", "Parameter", "Parameter"},
    {55, "lAct", "Action", "Aktion"},
    {99, "btOK", "&OK", "&OK"},
    {2, "bCnl", "Cancel", "Abbrechen"},
    {98, "Sprt", "Separator", "Trennlinie"},
    {1151, "ASek", "Seeking Bar", "Positionsleiste"},
    // Lautstärkeregler
    {1152, "AVol", "Volume Bar", "Lautst\344rkeregler"},
    {1153, "aPly", "Play", "Abspielen"},
    {1154, "aStp", "Stop", "Stopp"},
    // Rücklauf
    {1156, "aRew", "Rew", "R\374cklauf"},
    {1157, "apFF", "FF", "Vorlauf"},
    {1158, "aPrv", "Previous", "Vorheriger"},
    // Nächster
    {1159, "aNxt", "Next", "N\344chster"},
    {75, "qPrs", "Preset", "Profil"},
    {1220, "sFil", "File", "Datei"},
    {1221, "sTot", "Total", "Gesamt"},
    // Ausgewählt
    {1222, "sSel", "Selected", "Ausgew\344hlt"},
    {1223, "sFle", "file", "Datei"},
    {1224, "sFls", "files", "Dateien"},
    {1225, "sGrp", "group", "Gruppe"},
    {1226, "sGrs", "groups", "Gruppen"},
    {1227, "sEms", "elements", "Elemente"},
    {1228, "sBte", "byte", "Byte"},
    {1229, "sBts", "bytes", "Bytes"},
    {1230, "sCnd", "search canceled", "Suche abgebrochen"},
    // Datum und Uhrzeit wählen
    {2200, "dSTm", "Select the date and time", "Datum und Uhrzeit w\344hlen"},
    {2211, "dCur", "&Current", "&Aktuell"},
    {2214, "PCCp", "&Copy", "&Kopieren"},
    // &Einfügen
    {2215, "PPst", "&Paste", "&Einf\374gen"},
    {2300, "Prst", "Preset", "Suchprofil"},
    {2371, "PSve", "Save preset to file:", "Profil in Datei speichern:"},
    {2372, "EyIi", "(empty = inifile)", "(leer = Einstellungsdatei)"},
    {2375, "dFls", "Folders", "Ordner"},
    // Ähnlichkeit verwenden für: (100% = genaue Übereinstimmung)
    {2381, "USim", "Use similarity for: (100% = match exact)",
     "\304hnlichkeit verwenden f\374r: (100% = genaue \334bereinstimmung)"},
    // Max. Abweichung der Titellänge
    {2390, "Dura", "Deviation title length max.", "Max. Abweichung der Titell\344nge"},
    {2378, "oIDr", "Recurse folders", "Unterordner durchsuchen"},
    {2370, "oUFr", "With filter", "Mit Filter"},
    // Weitere Einschränkungen
    {2395, "lopt", "More limitations", "Weitere Einschr\344nkungen"},
    // Ähnlichkeit
    {2400, "tSim", "Similarity", "\304hnlichkeit"},
    {2401, "Txt1", "Text 1", "Text 1"},
    {2402, "Txt2", "Text 2", "Text 2"},
    {2405, "Resu", "Result", "Ergebnis"},
    {2407, "pTst", "Test", "Testen"},
    // Schließen
    {2408, "pClo", "Close", "Schlie\337en"},
    {2301, "fNme", "File name", "Dateiname"},
    {2302, "fMsk", "File mask", "Dateimaske"},
    // Ausschließen
    {2303, "fExc", "Exclude", "Ausschlie\337en"},
    {2308, "fDte", "Date/Time", "Datum/Uhrzeit"},
    {2313, "fDLs", "Within the last", "Innerhalb der letzten"},
    // Geändert
    {2309, "fMdf", "Modified", "Ge\344ndert"},
    {2310, "fCrt", "Created", "Erstellt"},
    {2312, "fLAc", "Last access", "Letzter Zugriff"},
    {2314, "fDBf", "Before", "Vor dem"},
    {2358, "fLDt", "Date", "Datum"},
    {2359, "fLTm", "Time", "Uhrzeit"},
    {2360, "fLSc", "Seconds", "Sekunden"},
    {2361, "fLMi", "Minutes", "Minuten"},
    {2362, "fLHr", "Hours", "Stunden"},
    {2363, "fLDy", "Days", "Tage"},
    {2364, "fLWk", "Weeks", "Wochen"},
    {2365, "fLMn", "Months", "Monate"},
    {2366, "fLYr", "Years", "Jahre"},
    // Länge
    {2342, "fLng", "Length", "L\344nge"},
    {2349, "fAtr", "Attributes", "Attribute"},
    {2350, "fArc", "&Archive", "&Archiv"},
    // &Schreibgeschützt
    {2351, "fROl", "&Read only", "&Schreibgesch\374tzt"},
    {2352, "fSst", "&System", "S&ystem"},
    {2353, "fDir", "&Folder", "&Ordner"},
    {2354, "fHid", "&Hidden", "&Versteckt"},
    {2355, "fCps", "&Compressed", "&Komprimiert"},
    // V&erschlüsselt
    {2356, "fEnc", "&Encrypted", "V&erschl\374sselt"},
    {5100, "Cnfg", "Configuration", "Konfiguration"},
    {5200, "oGrl", "General Options", "Allgemeine Optionen"},
    // Ganze Zeile auswählen
    {5201, "oFRS", "Full row select", "Ganze Zeile ausw\344hlen"},
    {5202, "oSVL", "Show column lines", "Spaltenlinien anzeigen"},
    {5203, "oSGL", "Show grid lines", "Gitternetzlinien anzeigen"},
    {5204, "oNHa", "Highlight the mouse position", "Zeile unter der Maus hervorheben"},
    {5205, "oOCA", "One click activate", "Mit einem Klick aktivieren"},
    {5206, "oATp", "Always on top", "Immer im Vordergrund"},
    // Symbole im Menü
    {5207, "oCMn", "Icons in menu", "Symbole im Men\374"},
    // Dateigröße in Byte anzeigen
    {5210, "oSBt", "Show the file size in bytes", "Dateigr\366\337e in Byte anzeigen"},
    {5211, "oScs", "Show seconds", "Sekunden anzeigen"},
    {5212, "oSNm", "Sort names in numeric order", "Namen in numerischer Reihenfolge sortieren"},
    {5214, "oSIc", "Show Icons", "Symbole anzeigen"},
    // Symbolgröße
    {5215, "oIDm", "Icon size", "Symbolgr\366\337e"},
    {5220, "oSbs", "Symbols", "Symbole"},
    {5300, "oCls", "Columns", "Spalten"},
    // Verfügbare Spalten:
    {5301, "CcAv", "Available columns:", "Verf\374gbare Spalten:"},
    {5302, "CcCs", "Columns:", "Spalten:"},
    // Linksbündig
    {6999, "bmtL", "Left align", "Linksb\374ndig"},
    {7000, "bmtC", "Centered", "Zentriert"},
    // Rechtsbündig
    {7001, "bmtR", "Right align", "Rechtsb\374ndig"},
    // Tastenkürzel
    {5450, "dlKS", "Keyboard Shortcuts", "Tastenk\374rzel"},
    {6997, "pDel", "Remove", "Entfernen"},
    {6993, "pEdt", "Edit", "Bearbeiten"},
    {6995, "pDpl", "Duplicate", "Duplizieren"},
    // Reserviertes Tastenkürzel!
    {9000, "vkRs", "Reserved shortcut!", "Reserviertes Tastenk\374rzel!"},
    {9018, "vkAl", "Alt", "Alt"},
    {9017, "vkCt", "Ctrl", "Strg"},
    {9016, "vkSh", "Shift", "Umschalt"},
    {9021, "vkNm", "Num", "Num"},
    {9024, "vkGr", "Gray", "Grau"},
    // Rück
    {9008, "vkBk", "Back", "R\374ck"},
    {9009, "vkTb", "Tab", "Tab"},
    {9019, "vkPs", "Pause", "Pause"},
    {9020, "vkCl", "Capital", "Feststell"},
    {9027, "vkEs", "Escape", "Esc"},
    {9144, "vkNk", "Numlock", "Num-Feststell"},
    {9145, "vkSl", "Scroll", "Rollen"},
    {9012, "vkCr", "Clear", "Leeren"},
    {9013, "vkRt", "Enter", "Eingabe"},
    {9032, "vkSp", "Space", "Leertaste"},
    {9033, "vkPr", "Prior", "Bild auf"},
    {9034, "vkNx", "Next", "Bild ab"},
    {9035, "vkEn", "End", "Ende"},
    {9036, "vkHm", "Home", "Pos1"},
    {9037, "vkLf", "Left", "Links"},
    {9038, "vkUp", "Up", "Oben"},
    {9039, "vkRg", "Right", "Rechts"},
    {9040, "vkDw", "Down", "Unten"},
    {9041, "vkSt", "Select", "Auswahl"},
    {9042, "vkPt", "Print", "Drucken"},
    // Ausführen
    {9043, "vkEx", "Execute", "Ausf\374hren"},
    {9044, "vkSn", "Snapshot", "Druck"},
    {9045, "vkIn", "Insert", "Einfg"},
    {9046, "vkDl", "Delete", "Entf"},
    {6420, "PEdi", "Edit Entry", "Eintrag bearbeiten"},
    // Eintrag hinzufügen
    {6410, "PAdd", "Add Entry", "Eintrag hinzuf\374gen"},
    {6403, "PPgn", "Plugin:", "Plugin:"},
    {6406, "PPrm", "Parameters:", "Parameter:"},
    {5503, "eLPg", "The plugin could not be loaded.", "Das Plugin konnte nicht geladen werden."},
    // Neu hinzufügen
    {6990, "pAdd", "Add New", "Neu hinzuf\374gen"},
    {6991, "bdUp", "Move &Up", "Nach &oben"},
    {6992, "bdDw", "Move &Down", "Nach &unten"},
    {5400, "Cace", "Cache", "Cache"},
    {5401, "Caco", "Do not use the cache", "Den Cache nicht verwenden"},
    {5402, "Cact", "Cache location", "Speicherort des Caches"},
    // Jetzt löschen
    {5405, "DeNo", "Delete now", "Jetzt l\366schen"},
    {5600, "Colo", "Colors", "Farben"},
    {5601, "Colr", "Color", "Farbe"},
    {5606, "ClrD", "Default Windows color", "Standardfarbe des Systems"},
    {5607, "ClrT", "Text color", "Textfarbe"},
    {5608, "ClrB", "Background color", "Hintergrundfarbe"},
    {5500, "oFTy", "File Types", "Dateitypen"},
    {6421, "PgNm", "Name:", "Name:"},
    {6423, "PgCd", "Condition:", "Bedingung:"},
    {6430, "PopE", "External", "Extern"},
    // Ordner ausschließen
    {2379, "bEFl", "Exclude folder", "Ordner ausschlie\337en"},
    // Laufwerke auswählen
    {5509, "bSlD", "Select drives", "Laufwerke ausw\344hlen"},
    {7500, "dOTB", "Toolbar Options", "Symbolleistenoptionen"},
    // Schaltflächen der Symbolleiste:
    {7502, "TBBt", "Toolbar buttons:", "Schaltfl\344chen der Symbolleiste:"},
    // Verfügbare Schaltflächen:
    {7501, "AvBt", "Available buttons:", "Verf\374gbare Schaltfl\344chen:"},
    // Bevorzugte Ordner für die Duplikatauswahl
    {7100, "dSlF", "Preferred folders for select duplicates", "Bevorzugte Ordner f\374r die Duplikatauswahl"},
    // Von der Auswahl ausschließen
    {7103, "bSlF", "Exclude from the selection", "Von der Auswahl ausschlie\337en"},
    {6203, "dCpy", "Copy", "Kopieren"},
    {6204, "CpTo", "Copy to", "Kopieren nach"},
    {6205, "dMve", "Move", "Verschieben"},
    {6206, "MvTo", "Move to", "Verschieben nach"},
    // Löschen
    {6600, "dDel", "Delete", "L\366schen"},
    {6601, "aDel", "Are you sure you want to remove %s ?", "Wollen Sie %s wirklich entfernen?"},
    // Papierkorb verwenden, wenn möglich
    {6603, "oRcl", "Use Recycle Bin, if possible", "Papierkorb verwenden, wenn m\366glich"},
    // Sicher löschen (Schredder)
    {6604, "oWpe", "Wipe (Shredder)", "Sicher l\366schen (Schredder)"},
    // gelöscht:
    {6602, "tDld", "deleted:", "gel\366scht:"},
    {6611, "tErr", "%lu errors occured", "%lu Fehler aufgetreten"},
    // Wollen Sie die Fensterpositionen zurücksetzen?
    {500, "qrwp", "Do you want to reset the window positions?",
     "Wollen Sie die Fensterpositionen zur\374cksetzen?"},
    // Texts of our own from here on, with identifiers above 12000.
    // A search that could not list every folder it was asked to (unvollständig).
    {12001, "sInc", "incomplete", "unvollst\344ndig"},
    // The desktop program's own texts.
    // Eine Suche läuft: beenden Sie sie, bevor Sie das Fenster schließen.
    {12002, "wSrR", "A search is running: stop it before closing the window.",
     "Eine Suche l\344uft: beenden Sie sie, bevor Sie das Fenster schlie\337en."},
    // %lu übersprungen;Zeigt die übersprungenen Dateien und den Grund
    {12003, "sSkp", "%lu skipped;Lists the skipped files and why they were skipped",
     "%lu \374bersprungen;Zeigt die \374bersprungenen Dateien und den Grund"},
    // Übersprungene Dateien
    {12004, "dSkp", "Skipped files", "\334bersprungene Dateien"},
    {12005, "rUnr", "unreadable", "nicht lesbar"},
    {12006, "rNAu", "not audio", "kein Audio"},
    {12007, "rEmp", "empty", "leer"},
    {12008, "rLnk", "link not followed", "Verkn\374pfung nicht verfolgt"},
    {12009, "rVan", "vanished", "verschwunden"},
    {12010, "rLng", "path too long", "Pfad zu lang"},
    {12011, "eNoF", "The preset names no folder to search.", "Das Profil nennt keinen zu durchsuchenden Ordner."},
    {12012, "eNoU", "No web address is set for this command (key %s in section TARNQ of the settings).",
     "F\374r diesen Befehl ist keine Webadresse eingestellt (Schl\374ssel %s im Abschnitt TARNQ der Einstellungen)."},
    {12013, "tPrF", "Program folder:", "Programmordner:"},
    {12014, "tSeF", "Settings file:", "Einstellungsdatei:"},
    // %lu Zeilen der Ergebnisdatei wurden übersprungen.
    {12015, "wLdS", "%lu rows of the results file were skipped.",
     "%lu Zeilen der Ergebnisdatei wurden \374bersprungen."},
    {12016, "wSvU", "%lu rows were not saved: their paths hold a line break.",
     "%lu Zeilen wurden nicht gespeichert: ihre Pfade enthalten einen Zeilenumbruch."},
    {12017, "eNoH", "No help file was found for this language.", "F\374r diese Sprache wurde keine Hilfedatei gefunden."},
    {12018, "fAll", "All files", "Alle Dateien"},
    {12019, "fSet", "Settings files", "Einstellungsdateien"},
    {12020, "tVer", "Version", "Version"},
    {12021, "eUpd", "The update check failed: %s", "Die Suche nach Updates ist fehlgeschlagen: %s"},
    {12022, "tSrc", "Searching...", "Suche l\344uft..."},
    // Wollen Sie alle Einstellungen zurücksetzen? Das Programm startet neu.
    {12024, "qRst", "Do you want to reset all settings? The program restarts.",
     "Wollen Sie alle Einstellungen zur\374cksetzen? Das Programm startet neu."},
    {12025, "wIgn", "Ignored: %s", "Ignoriert: %s"},
    {12026, "tLng", "Language", "Sprache"},
    {12027, "tRnm", "The results file could not be read: %s", "Die Ergebnisdatei konnte nicht gelesen werden: %s"},
    // The file commands (12100-12199).
    {12100, "fBrw", "&Browse...", "&Durchsuchen..."},
    {12101, "fExQ", "The target already exists:", "Das Ziel ist bereits vorhanden:"},
    {12102, "fSrc", "Source:", "Quelle:"},
    // &Überschreiben
    {12103, "fOvw", "&Overwrite", "&\334berschreiben"},
    // Übe&rspringen
    {12104, "fSkp", "&Skip", "\334be&rspringen"},
    {12105, "fKpB", "&Keep both", "&Beide behalten"},
    // Für &alle weiteren Dateien so verfahren
    {12106, "fAlR", "Do this for &all remaining files", "F\374r &alle weiteren Dateien so verfahren"},
    {12107, "fNOf", "%lu of %lu files", "%lu von %lu Dateien"},
    {12108, "fErL", "Errors", "Fehler"},
    {12109, "fErC", "Error", "Fehler"},
    {12110, "fFiC", "File", "Datei"},
    {12111, "fNwN", "New &name:", "Neuer &Name:"},
    // %lu Gruppen verlören jede Kopie: alle ihre Dateien sind ausgewählt. Trotzdem entfernen?
    {12112, "fLsC", "%lu groups would lose every copy: all their files are selected. Remove them all the same?",
     "%lu Gruppen verl\366ren jede Kopie: alle ihre Dateien sind ausgew\344hlt. Trotzdem entfernen?"},
    {12113, "fCnc", "The operation was cancelled.", "Der Vorgang wurde abgebrochen."},

    // Properties, the context menu, the preferred folders (12200-12299).
    // Mit dem Standardprogramm öffnen;Öffnet die Datei mit dem Programm, das der Desktop für ihren Typ vorsieht
    {12200, "oDfP", "&Open with the default program;Opens the file with the desktop's program for its type",
     "Mit dem Standardprogramm &\366ffnen;\326ffnet die Datei mit dem Programm, das der Desktop f\374r ihren Typ vorsieht"},
    {12201, "dPrp", "Properties", "Eigenschaften"},
    {12202, "tAcc", "Last access", "Letzter Zugriff"},
    {12203, "tCrt", "Created", "Erstellt"},
    {12204, "tOwn", "Owner", "Besitzer"},
    {12205, "tPrm", "Permissions", "Berechtigungen"},
    {12206, "tFlP", "&File", "&Datei"},
    {12207, "eNRd", "The file cannot be read now: %s", "Die Datei kann jetzt nicht gelesen werden: %s"},
    // Welche Kopie die Duplikatauswahl behält
    {12208, "gSDR", "Which copy Select Dupes keeps", "Welche Kopie die Duplikatauswahl beh\344lt"},
    {12209, "rSDF", "&Preferred folders (none listed: the first in display order)",
     "Be&vorzugte Ordner (keine eingetragen: die erste in der Anzeigereihenfolge)"},
    {12210, "rSDO", "The first in display o&rder", "Die erste in der Anzeige&reihenfolge"},
    // Die beste Kopie (abspielbar, verlustfrei, höhere Bitrate, länger)
    {12211, "rSDB", "The &best copy (playable, lossless, higher bit rate, longer)",
     "Die &beste Kopie (abspielbar, verlustfrei, h\366here Bitrate, l\344nger)"},
    // Der Ordner "%s" enthält einen Zeilenumbruch: die Einstellungen können ihn nicht speichern.
    {12212, "eFNL", "The folder \"%s\" holds a line break: the settings cannot store it.",
     "Der Ordner \"%s\" enth\344lt einen Zeilenumbruch: die Einstellungen k\366nnen ihn nicht speichern."},
    {12213, "tFdr", "Folder", "Ordner"},

    // The preset dialog (12300-12399).
    {12300, "PfFl", "Preset files", "Profildateien"},
    {12301, "PuKB", "KB", "KB"},
    {12302, "PuMB", "MB", "MB"},
    {12303, "PuGB", "GB", "GB"},
    {12304, "PeLB", "%s cannot hold a line break: %s", "%s darf keinen Zeilenumbruch enthalten: %s"},
    {12305, "PeNm", "%s: enter a whole number from %lu to %lu.", "%s: Bitte eine ganze Zahl von %lu bis %lu eingeben."},
    {12306, "PeDt", "%s: the date %s does not exist (year-month-day).",
     "%s: Das Datum %s gibt es nicht (Jahr-Monat-Tag)."},
    {12307, "PeTm", "%s: %s is no time of day (hours:minutes:seconds).",
     "%s: %s ist keine Uhrzeit (Stunden:Minuten:Sekunden)."},
    // %s: %s %s ist größer, als eine Datei sein kann.
    {12308, "PeSz", "%s: %s %s is larger than any file can be.", "%s: %s %s ist gr\366\337er, als eine Datei sein kann."},
    // %s: Die Zahl ist zu groß.
    {12309, "PeCt", "%s: the number is too large.", "%s: Die Zahl ist zu gro\337."},
    {12310, "PeFE", "%s: a folder name is empty.", "%s: Ein Ordnername ist leer."},
    // %s: Ein Ordnername ist länger als %lu Zeichen.
    {12311, "PeFL", "%s: a folder name is longer than %lu characters.",
     "%s: Ein Ordnername ist l\344nger als %lu Zeichen."},
    {12312, "PeSv", "The preset could not be saved: %s", "Das Profil konnte nicht gespeichert werden: %s"},
    {12313, "PhDt", "yyyy-mm-dd", "jjjj-mm-tt"},
    {12314, "PhTm", "hh:mm:ss", "hh:mm:ss"},

    // Configuration, the toolbar, network connections (12400-12499).
    {12400, "cAsg", "&Assign", "&Zuweisen"},
    {12401, "cDef", "Restore &defaults", "&Standard wiederherstellen"},
    // &Übernehmen
    {12402, "cApl", "&Apply", "\334&bernehmen"},
    // &Hinzufügen
    {12403, "cAdd", "&Add", "&Hinzuf\374gen"},
    // &Zurücksetzen
    {12404, "cRst", "Rese&t", "&Zur\374cksetzen"},
    {12405, "cWid", "&Width:", "&Breite:"},
    {12406, "eRng", "%s: enter a number from %lu to %lu.", "%s: Geben Sie eine Zahl von %lu bis %lu ein."},
    {12407, "eClr", "%s: enter a color as #RRGGBB.", "%s: Geben Sie eine Farbe als #RRGGBB ein."},
    {12408, "eCol", "The list needs at least one column.", "Die Liste braucht mindestens eine Spalte."},
    {12409, "eLbr", "%s: a line break cannot be stored.", "%s: Ein Zeilenumbruch kann nicht gespeichert werden."},
    // Wollen Sie die Cache-Datei %s jetzt löschen?
    {12410, "qDCa", "Do you want to delete the cache file %s now?", "Wollen Sie die Cache-Datei %s jetzt l\366schen?"},
    // Die Cache-Datei konnte nicht gelöscht werden: %s
    {12411, "eDCa", "The cache file could not be deleted: %s", "Die Cache-Datei konnte nicht gel\366scht werden: %s"},
    {12412, "qRty", "Try again?", "Erneut versuchen?"},
    // %s: Ein Name oder ein Plugin ist nötig.
    {12413, "eNmP", "%s: a name or a plugin is needed.", "%s: Ein Name oder ein Plugin ist n\366tig."},
    {12414, "cSet", "&Settings...", "&Einstellungen..."},
    {12415, "cUri", "&Location (URI):", "&Adresse (URI):"},
    {12416, "cCon", "&Connect", "&Verbinden"},
    {12417, "cMnt", "&Network mounts:", "&Netzwerk-Einbindungen:"},
    // &Aushängen
    {12418, "cUmt", "&Unmount", "&Aush\344ngen"},
    {12419, "eCon", "%s could not be connected: %s", "%s konnte nicht verbunden werden: %s"},
    // %s konnte nicht ausgehängt werden: %s
    {12420, "eUmt", "%s could not be unmounted: %s", "%s konnte nicht ausgeh\344ngt werden: %s"},
    {12421, "tCon", "Connecting...", "Verbindung wird hergestellt..."},
    {12422, "eUri", "%s is not a location of the form scheme://server/path.",
     "%s ist keine Adresse der Form Schema://Server/Pfad."},
    {12423, "fPlg", "PlugIn", "PlugIn"},
    {12424, "tNMt", "No network location is mounted.", "Keine Netzwerkadresse ist eingebunden."},
    {12425, "cPrb", "&Probe", "&Pr\374fen"},

    // The player window (12500-12599): the labels of its display, then what it says about a file.
    {12500, "pTtl", "Title:", "Titel:"},
    {12501, "pArt", "Artist:", "Interpret:"},
    {12502, "pAlb", "Album:", "Album:"},
    {12503, "pYer", "Year:", "Jahr:"},
    // Titelnr.:
    {12504, "pTrk", "Track:", "Titelnr.:"},
    {12505, "pGnr", "Genre:", "Genre:"},
    {12506, "pStr", "Stereo", "Stereo"},
    {12507, "pJSt", "Joint Stereo", "Joint Stereo"},
    {12508, "pKbs", "kbps", "kbit/s"},
    {12509, "pVBR", "VBR", "VBR"},
    {12510, "pGne", "The file does not exist.", "Die Datei ist nicht vorhanden."},
    {12511, "pNoP", "This file cannot be played: %s", "Diese Datei kann nicht abgespielt werden: %s"},
    // Kein Audiogerät kann geöffnet werden: %s
    {12512, "pNoD", "No sound device can be opened: %s", "Kein Audioger\344t kann ge\366ffnet werden: %s"},
    // Das Audiogerät hat die Wiedergabe beendet: %s
    {12513, "pDvL", "The sound device stopped playing: %s", "Das Audioger\344t hat die Wiedergabe beendet: %s"},
    // Die Datei wurde während der Wiedergabe verschoben oder gelöscht.
    {12514, "pDld", "The file was moved or deleted while it played.",
     "Die Datei wurde w\344hrend der Wiedergabe verschoben oder gel\366scht."},
    // Die Datei wurde während der Wiedergabe geändert.
    {12515, "pChg", "The file was changed while it played.", "Die Datei wurde w\344hrend der Wiedergabe ge\344ndert."},
    // Sie wurde dem Programm des Desktops übergeben.
    {12516, "pDsk", "It was handed to the desktop's program.", "Sie wurde dem Programm des Desktops \374bergeben."},
    // Das Programm des Desktops kann sie nicht öffnen: %s
    {12517, "pDsF", "The desktop's program cannot open it: %s", "Das Programm des Desktops kann sie nicht \366ffnen: %s"},
    {12518, "pShr", "The file is too short to be played.", "Die Datei ist zu kurz zum Abspielen."},
    {12519, "pNoT", "The player takes no files of this kind.", "Der Player nimmt keine Dateien dieser Art."},

};

constexpr size_t kRowCount = sizeof(kRows) / sizeof(kRows[0]);

enum class Column { kEnglish, kGerman, kKey };

// Entry 0 (marker, code), entry 1 (display name), the rows, the terminator.
constexpr std::array<CatalogueEntry, kRowCount + 3> Build(Column column, int16_t marker, const char* code,
                                                          const char* displayName) {
  std::array<CatalogueEntry, kRowCount + 3> table{};
  table[0] = {marker, code};
  table[1] = {1, displayName};
  for (size_t i = 0; i < kRowCount; ++i) {
    const Row& row = kRows[i];
    const char* text = column == Column::kEnglish  ? row.english
                       : column == Column::kGerman ? row.german
                                                   : row.key;
    table[i + 2] = {row.id, text};
  }
  table[kRowCount + 2] = {0, nullptr};
  return table;
}

// English texts are plain ASCII, so the legacy code page reads them whatever it is.
constexpr auto kEnglish = Build(Column::kEnglish, 0, "US", "English");
// Marker 1253: code page 1252.
constexpr auto kGerman = Build(Column::kGerman, 1253, "DE", "German (Deutsch)");
constexpr auto kKeys = Build(Column::kKey, 0, "-", "Extl");

}  // namespace

const CatalogueEntry* const kCatalogues[] = {kEnglish.data(), kGerman.data(), kKeys.data(), nullptr};

}  // namespace tarnq::lang::library
