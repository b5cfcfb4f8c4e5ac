<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>Tarvolin</name>
    <message>
        <source>&#xd;
Welcome to Orvane Tarvolin&#xd;
 &#xd;
This utility provides extremely easy interface which helps to&#xd;
recover multimedia files with few simple steps.&#xd;
&#xd;
It is the most intuitive and extremely fast application for restoring&#xd;
digital media files which includes BMP, PNG, JPG, GIF, TIF, CRW, CR2,&#xd;
SRF, SR2, NEF, MRW, ORF, MP3, MIDI, WAV, MP4, MPEG, AVI and MOV.&#xd;
&#xd;
At any instance you can press “F1” or help button to launch help.&#xd;
&#xd;
 </source>
        <translation>&#xd;
Willkommen bei Orvane Tarvolin&#xd;
 &#xd;
Dieses Programm bietet eine sehr einfache Oberfläche, mit der Sie&#xd;
Multimediadateien in wenigen einfachen Schritten wiederherstellen.&#xd;
&#xd;
Es ist eine besonders intuitive und sehr schnelle Anwendung zur Wiederherstellung&#xd;
digitaler Mediendateien, darunter BMP, PNG, JPG, GIF, TIF, CRW, CR2,&#xd;
SRF, SR2, NEF, MRW, ORF, MP3, MIDI, WAV, MP4, MPEG, AVI und MOV.&#xd;
&#xd;
Sie können jederzeit „F1“ oder die Hilfe-Schaltfläche drücken, um die Hilfe aufzurufen.&#xd;
&#xd;
 </translation>
    </message>
    <message>
        <source>  (may be incomplete)</source>
        <translation>  (möglicherweise unvollständig)</translation>
    </message>
    <message>
        <source> KB</source>
        <translation> KB</translation>
    </message>
    <message>
        <source> Media Player - </source>
        <translation> Medienwiedergabe - </translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 Bytes</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Compress Data</source>
        <translation>Daten &amp;komprimieren</translation>
    </message>
    <message>
        <source>&amp;Deselect All</source>
        <translation>Auswahl a&amp;ufheben</translation>
    </message>
    <message>
        <source>&amp;Deselect Item</source>
        <translation>Auswahl &amp;aufheben</translation>
    </message>
    <message>
        <source>&amp;Hide files smaller than</source>
        <translation>Dateien &amp;ausblenden, kleiner als</translation>
    </message>
    <message>
        <source>&amp;Local Drives:</source>
        <translation>&amp;Lokale Laufwerke:</translation>
    </message>
    <message>
        <source>&amp;Measure exact file lengths</source>
        <translation>Genaue Datei&amp;längen messen</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Weiter</translation>
    </message>
    <message>
        <source>&amp;Open scan info</source>
        <translation>&amp;Scan öffnen</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>&amp;Preview</source>
        <translation>&amp;Vorschau</translation>
    </message>
    <message>
        <source>&amp;Refresh Drives</source>
        <translation>&amp;Aktualisieren</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Fortsetzen</translation>
    </message>
    <message>
        <source>&amp;Save </source>
        <translation>&amp;Speichern </translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Stopp</translation>
    </message>
    <message>
        <source>At any instance press [Stop] button to stop this operation.</source>
        <translation>Sie können diesen Vorgang jederzeit mit [Stopp] abbrechen.</translation>
    </message>
    <message>
        <source>At any instance you can press [Stop] button to stop the scan.</source>
        <translation>Sie können den Scan jederzeit mit [Stopp] abbrechen.</translation>
    </message>
    <message>
        <source>Backing File</source>
        <translation>Abbilddatei</translation>
    </message>
    <message>
        <source>Burn data to CD/DVD</source>
        <translation>Auf CD/DVD brennen</translation>
    </message>
    <message>
        <source>Burning compressed data</source>
        <translation>Komprimierte Daten werden gebrannt</translation>
    </message>
    <message>
        <source>Burning data</source>
        <translation>Daten werden gebrannt</translation>
    </message>
    <message>
        <source>Burning operation completed. Finalizing optical media</source>
        <translation>Brennen abgeschlossen. Der Datenträger wird abgeschlossen</translation>
    </message>
    <message>
        <source>Burning stopped; nothing was written to the disc.</source>
        <translation>Brennen abgebrochen; auf den Datenträger wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>Burning stopped; the disc keeps its earlier sessions.</source>
        <translation>Brennen abgebrochen; der Datenträger behält seine früheren Sitzungen.</translation>
    </message>
    <message>
        <source>CD / DVD Burning Devices:</source>
        <translation>CD/DVD-Brenner:</translation>
    </message>
    <message>
        <source>CD/DVD Burning process Aborted</source>
        <translation>Das Brennen der CD/DVD wurde abgebrochen</translation>
    </message>
    <message>
        <source>CD/DVD burning is not available in this copy of Tarvolin.</source>
        <translation>Das Brennen von CD/DVD ist in dieser Ausgabe von Tarvolin nicht verfügbar.</translation>
    </message>
    <message>
        <source>CD/DVD burning operation completed successfully</source>
        <translation>Das Brennen der CD/DVD wurde erfolgreich abgeschlossen</translation>
    </message>
    <message>
        <source>Can&#x27;t initialize DirectMusic objects.Ensure you have an audio card device and DirectX 8.0 or above installed in your system.</source>
        <translation>Die Audiowiedergabe konnte nicht gestartet werden. Stellen Sie sicher, dass eine Soundkarte und ein Soundserver vorhanden sind.</translation>
    </message>
    <message>
        <source>Check the files or folders that you want
to recover and click &quot;Save&quot; button.</source>
        <translation>Markieren Sie die Dateien oder Ordner, die Sie
wiederherstellen möchten, und klicken Sie auf „Speichern“.</translation>
    </message>
    <message>
        <source>Checksum failure</source>
        <translation>Prüfsummenfehler</translation>
    </message>
    <message>
        <source>Color Model</source>
        <translation>Farbmodell</translation>
    </message>
    <message>
        <source>Components per Pixel</source>
        <translation>Komponenten pro Pixel</translation>
    </message>
    <message>
        <source>Compressed saving operation completed.
You would need unzip tool to decompress recovered archive(s).</source>
        <translation>Das komprimierte Speichern ist abgeschlossen.
Zum Entpacken der wiederhergestellten Archive benötigen Sie ein Programm wie unzip.</translation>
    </message>
    <message>
        <source>Compressing and saving data</source>
        <translation>Daten werden komprimiert und gespeichert</translation>
    </message>
    <message>
        <source>Compression</source>
        <translation>Komprimierung</translation>
    </message>
    <message>
        <source>Compression Description</source>
        <translation>Beschreibung der Komprimierung</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>Confirmation</source>
        <translation>Bestätigung</translation>
    </message>
    <message>
        <source>Corrupt scan info file</source>
        <translation>Beschädigte Scan-Info-Datei</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>Device could not be locked</source>
        <translation>Das Gerät konnte nicht gesperrt werden</translation>
    </message>
    <message>
        <source>Disc &amp;image file…</source>
        <translation>Disc-&amp;Abbilddatei…</translation>
    </message>
    <message>
        <source>Disc image (*.iso)</source>
        <translation>Disc-Abbild (*.iso)</translation>
    </message>
    <message>
        <source>Disc image file</source>
        <translation>Disc-Abbilddatei</translation>
    </message>
    <message>
        <source>Disclaimer</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Disk images (*.img *.dd *.raw *.iso *.bin *.dmg *.vhd);;All files (*)</source>
        <translation>Datenträgerabbilder (*.img *.dd *.raw *.iso *.bin *.dmg *.vhd);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Do you want to save scan info?</source>
        <translation>Möchten Sie die Scan-Info speichern?</translation>
    </message>
    <message>
        <source>Do you want to stop CD/DVD burning process?</source>
        <translation>Möchten Sie das Brennen der CD/DVD abbrechen?</translation>
    </message>
    <message>
        <source>Do you want to stop saving process?</source>
        <translation>Möchten Sie das Speichern abbrechen?</translation>
    </message>
    <message>
        <source>Do you want to stop the scanning process?</source>
        <translation>Möchten Sie den Scan abbrechen?</translation>
    </message>
    <message>
        <source>Double click on file to preview</source>
        <translation>Doppelklick auf eine Datei zeigt eine Vorschau</translation>
    </message>
    <message>
        <source>Double click on file to preview
Its structure breaks off before its end: it may be incomplete.</source>
        <translation>Doppelklick auf eine Datei zeigt eine Vorschau
Ihre Struktur bricht vor dem Ende ab: Sie ist möglicherweise unvollständig.</translation>
    </message>
    <message>
        <source>Drive details</source>
        <translation>Laufwerksdetails</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Laufwerke</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Error loading file</source>
        <translation>Fehler beim Laden der Datei</translation>
    </message>
    <message>
        <source>Failed to load Orvane Tarvolin</source>
        <translation>Orvane Tarvolin konnte nicht geladen werden</translation>
    </message>
    <message>
        <source>Failed to open drive</source>
        <translation>Das Laufwerk konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Failed to open drive
%1</source>
        <translation>Das Laufwerk konnte nicht geöffnet werden
%1</translation>
    </message>
    <message>
        <source>File Size</source>
        <translation>Dateigröße</translation>
    </message>
    <message>
        <source>File previewer</source>
        <translation>Dateivorschau</translation>
    </message>
    <message>
        <source>File size is too large to preview.</source>
        <translation>Die Datei ist für eine Vorschau zu groß.</translation>
    </message>
    <message>
        <source>Files smaller than this are hidden</source>
        <translation>Kleinere Dateien werden ausgeblendet</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Follow each file&#x27;s own structure to its end, so that files come back whole and without padding. Files whose structure breaks off are marked &quot;may be incomplete&quot;.</source>
        <translation>Jede Datei wird anhand ihrer eigenen Struktur bis zu ihrem Ende verfolgt, damit sie vollständig und ohne Füllbytes zurückkommt. Dateien, deren Struktur abbricht, werden als „möglicherweise unvollständig“ markiert.</translation>
    </message>
    <message>
        <source>Format Index</source>
        <translation>Formatindex</translation>
    </message>
    <message>
        <source>Format Name</source>
        <translation>Formatname</translation>
    </message>
    <message>
        <source>Found files</source>
        <translation>Gefundene Dateien</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Höhe</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Image Options</source>
        <translation>Bildoptionen</translation>
    </message>
    <message>
        <source>Image Preview</source>
        <translation>Bildvorschau</translation>
    </message>
    <message>
        <source>Image Properties</source>
        <translation>Bildeigenschaften</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Interface Type</source>
        <translation>Schnittstelle</translation>
    </message>
    <message>
        <source>Invalid Handle</source>
        <translation>Ungültiges Handle</translation>
    </message>
    <message>
        <source>Invalid or corrupt scan file</source>
        <translation>Ungültige oder beschädigte Scan-Datei</translation>
    </message>
    <message>
        <source>Last File Found : </source>
        <translation>Zuletzt gefunden: </translation>
    </message>
    <message>
        <source>Last File Saved : </source>
        <translation>Zuletzt gespeichert: </translation>
    </message>
    <message>
        <source>Loading Image...</source>
        <translation>Bild wird geladen...</translation>
    </message>
    <message>
        <source>Loading drive list...</source>
        <translation>Laufwerksliste wird geladen...</translation>
    </message>
    <message>
        <source>May be file is corrupted or 
Preview is not available for this file format</source>
        <translation>Möglicherweise ist die Datei beschädigt oder 
für dieses Dateiformat ist keine Vorschau verfügbar</translation>
    </message>
    <message>
        <source>Media Player</source>
        <translation>Medienwiedergabe</translation>
    </message>
    <message>
        <source>Media Type</source>
        <translation>Medientyp</translation>
    </message>
    <message>
        <source>Model Name</source>
        <translation>Modell</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Arbeitsplatz</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>No CD/DVD recorder was found on this computer.</source>
        <translation>Auf diesem Computer wurde kein CD/DVD-Brenner gefunden.</translation>
    </message>
    <message>
        <source>No CD/DVD recorder was found on this computer. Choose &quot;Disc image file&quot; to write an image file instead.</source>
        <translation>Auf diesem Computer wurde kein CD/DVD-Brenner gefunden. Wählen Sie „Disc-Abbilddatei“, um stattdessen eine Abbilddatei zu schreiben.</translation>
    </message>
    <message>
        <source>No file could be written to the cache; nothing was burnt.</source>
        <translation>Keine Datei konnte in den Zwischenspeicher geschrieben werden; nichts wurde gebrannt.</translation>
    </message>
    <message>
        <source>No item to display in this view.</source>
        <translation>In dieser Ansicht gibt es nichts anzuzeigen.</translation>
    </message>
    <message>
        <source>No removable drives found</source>
        <translation>Keine Wechseldatenträger gefunden</translation>
    </message>
    <message>
        <source>No. of files found :</source>
        <translation>Gefundene Dateien:</translation>
    </message>
    <message>
        <source>No. of files saved :</source>
        <translation>Gespeicherte Dateien:</translation>
    </message>
    <message>
        <source>Number of Images</source>
        <translation>Anzahl der Bilder</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Open &amp;image…</source>
        <translation>&amp;Abbild öffnen…</translation>
    </message>
    <message>
        <source>Open image</source>
        <translation>Abbild öffnen</translation>
    </message>
    <message>
        <source>Orvane Tarvolin already running.
Please close the running instance first.</source>
        <translation>Orvane Tarvolin läuft bereits.
Bitte beenden Sie zuerst die laufende Instanz.</translation>
    </message>
    <message>
        <source>Other folder…</source>
        <translation>Anderer Ordner…</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Picture</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Please Select File types</source>
        <translation>Bitte wählen Sie Dateitypen aus</translation>
    </message>
    <message>
        <source>Please ensure that you are not saving data to 
the same location from where you are recovering.
Saving data to the same location would result in 
permanent data loss.</source>
        <translation>Bitte stellen Sie sicher, dass Sie die Daten nicht 
am selben Ort speichern, von dem Sie wiederherstellen.
Das Speichern am selben Ort würde zu 
dauerhaftem Datenverlust führen.</translation>
    </message>
    <message>
        <source>Please insert higher capacity CD/DVD.</source>
        <translation>Bitte legen Sie eine CD/DVD mit größerer Kapazität ein.</translation>
    </message>
    <message>
        <source>Please insert media and try again.</source>
        <translation>Bitte legen Sie einen Datenträger ein und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Please insert writable media try again.</source>
        <translation>Bitte legen Sie einen beschreibbaren Datenträger ein und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Please install Tarvolin to run this application.</source>
        <translation>Bitte installieren Sie Tarvolin, um diese Anwendung auszuführen.</translation>
    </message>
    <message>
        <source>Please select files and folders</source>
        <translation>Bitte wählen Sie Dateien und Ordner aus</translation>
    </message>
    <message>
        <source>Please stop the current process</source>
        <translation>Bitte beenden Sie zuerst den laufenden Vorgang</translation>
    </message>
    <message>
        <source>Please wait, Orvane Tarvolin is buring data to CD/DVD. This process might take few
minutes to complete.</source>
        <translation>Bitte warten Sie, Orvane Tarvolin brennt die Daten auf CD/DVD. Dieser Vorgang kann einige
Minuten dauern.</translation>
    </message>
    <message>
        <source>Please wait, saving data. It may take several seconds to few hours. Estimated time to save data
depends upon data selected, speed and physical condition of destination disk drive.</source>
        <translation>Bitte warten Sie, die Daten werden gespeichert. Das kann einige Sekunden bis einige Stunden dauern. Die Dauer
hängt von den gewählten Daten sowie von Geschwindigkeit und Zustand des Ziellaufwerks ab.</translation>
    </message>
    <message>
        <source>Please wait, scanning might take several seconds to few hours. Estimated scan time depends on 
selected media (size, speed and physical condition of storage media).</source>
        <translation>Bitte warten Sie, der Scan kann einige Sekunden bis einige Stunden dauern. Die Dauer hängt vom 
gewählten Datenträger ab (Größe, Geschwindigkeit und Zustand des Speichermediums).</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Removable drive is disconnected.</source>
        <translation>Der Wechseldatenträger ist getrennt.</translation>
    </message>
    <message>
        <source>Removable drive is disconnected.
please connect the drive and restart the scanning.</source>
        <translation>Der Wechseldatenträger ist getrennt.
Bitte schließen Sie das Laufwerk an und starten Sie den Scan neu.</translation>
    </message>
    <message>
        <source>Removable drive is disconnected.please reconnect the drive</source>
        <translation>Der Wechseldatenträger ist getrennt. Bitte schließen Sie das Laufwerk wieder an</translation>
    </message>
    <message>
        <source>S&amp;ave scan info</source>
        <translation>Scan s&amp;ichern</translation>
    </message>
    <message>
        <source>Save data to local drive</source>
        <translation>Lokal speichern</translation>
    </message>
    <message>
        <source>Save scan info</source>
        <translation>Scan-Info speichern</translation>
    </message>
    <message>
        <source>Saving Options</source>
        <translation>Speicheroptionen</translation>
    </message>
    <message>
        <source>Saving Path :</source>
        <translation>Speicherpfad:</translation>
    </message>
    <message>
        <source>Saving is in progress</source>
        <translation>Speichern läuft</translation>
    </message>
    <message>
        <source>Saving operation completed</source>
        <translation>Das Speichern ist abgeschlossen</translation>
    </message>
    <message>
        <source>Saving operation completed successfully</source>
        <translation>Das Speichern wurde erfolgreich abgeschlossen</translation>
    </message>
    <message>
        <source>Saving process Aborted</source>
        <translation>Das Speichern wurde abgebrochen</translation>
    </message>
    <message>
        <source>Scanning Process completed Successfully.</source>
        <translation>Der Scan wurde erfolgreich abgeschlossen.</translation>
    </message>
    <message>
        <source>Scanning is in progress</source>
        <translation>Scan läuft</translation>
    </message>
    <message>
        <source>Scanning process aborted.</source>
        <translation>Der Scan wurde abgebrochen.</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>&amp;Alle auswählen</translation>
    </message>
    <message>
        <source>Select &amp;Item</source>
        <translation>&amp;Element auswählen</translation>
    </message>
    <message>
        <source>Select drive to recover :</source>
        <translation>Laufwerk wählen:</translation>
    </message>
    <message>
        <source>Select image file types to recover</source>
        <translation>Wiederherzustellende Bildtypen wählen</translation>
    </message>
    <message>
        <source>Select location to save temporary cache</source>
        <translation>Ort für den temporären Zwischenspeicher wählen</translation>
    </message>
    <message>
        <source>Select music &amp;&amp; video file types to recover</source>
        <translation>Wiederherzustellende Musik- &amp;&amp; Videotypen wählen</translation>
    </message>
    <message>
        <source>Select the folder to save to</source>
        <translation>Zielordner wählen</translation>
    </message>
    <message>
        <source>Selected Data</source>
        <translation>Ausgewählte Daten</translation>
    </message>
    <message>
        <source>Selected File(s)</source>
        <translation>Ausgewählte Dateien</translation>
    </message>
    <message>
        <source>Selected Folder(s)</source>
        <translation>Ausgewählte Ordner</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Show &amp;thumbnails</source>
        <translation>&amp;Miniaturen zeigen</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Size ( bytes )</source>
        <translation>Größe (Bytes)</translation>
    </message>
    <message>
        <source>Source Drive :</source>
        <translation>Quelllaufwerk:</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>Wird angehalten...</translation>
    </message>
    <message>
        <source>Stretch</source>
        <translation>Strecken</translation>
    </message>
    <message>
        <source>TVN Scan info (*.bin)</source>
        <translation>TVN-Scan-Info (*.bin)</translation>
    </message>
    <message>
        <source>TVN scan info (*.bin)</source>
        <translation>TVN-Scan-Info (*.bin)</translation>
    </message>
    <message>
        <source>The CD/DVD recorder is not ready; nothing was burnt.</source>
        <translation>Der CD/DVD-Brenner ist nicht bereit; nichts wurde gebrannt.</translation>
    </message>
    <message>
        <source>The device could not be unlocked</source>
        <translation>Das Gerät konnte nicht entsperrt werden</translation>
    </message>
    <message>
        <source>The disc image could not be built; nothing was burnt.</source>
        <translation>Das Disc-Abbild konnte nicht erstellt werden; nichts wurde gebrannt.</translation>
    </message>
    <message>
        <source>The folder holds the image being recovered.</source>
        <translation>Der Ordner enthält das Abbild, das gerade wiederhergestellt wird.</translation>
    </message>
    <message>
        <source>The help could not be opened: no web browser is set up to show it.
The help pages are in %1; open index.htm there in a web browser.</source>
        <translation>Die Hilfe konnte nicht geöffnet werden: Es ist kein Webbrowser eingerichtet, der sie anzeigt.
Die Hilfeseiten liegen in %1; öffnen Sie dort index.htm in einem Webbrowser.</translation>
    </message>
    <message>
        <source>No file manager could be opened to show the saved files. They are in:
%1</source>
        <translation>Es konnte kein Dateimanager geöffnet werden, um die gespeicherten Dateien zu zeigen. Sie liegen in:
%1</translation>
    </message>
    <message>
        <source>Step 1 of 2: copying the files to the cache folder</source>
        <translation>Schritt 1 von 2: Die Dateien werden in den Zwischenspeicherordner kopiert</translation>
    </message>
    <message>
        <source>Step 2 of 2: writing the disc</source>
        <translation>Schritt 2 von 2: Die Disc wird beschrieben</translation>
    </message>
    <message>
        <source>Do you want to choose another destination for the %1 file(s) not saved yet?</source>
        <translation>Möchten Sie ein anderes Ziel für die %1 noch nicht gespeicherte(n) Datei(en) wählen?</translation>
    </message>
    <message>
        <source>%1 sector(s) of %2 file(s) could not be read; they are zeros in the saved files.</source>
        <translation>%1 Sektor(en) von %2 Datei(en) konnten nicht gelesen werden; in den gespeicherten Dateien stehen dort Nullen.</translation>
    </message>
    <message>
        <source>%1 file(s) above 50 MB were cut to 1 MB: %2.</source>
        <translation>%1 Datei(en) über 50 MB wurden auf 1 MB gekürzt: %2.</translation>
    </message>
    <message>
        <source>%1 duplicate file(s) skipped (the same content was saved once).</source>
        <translation>%1 doppelte Datei(en) übersprungen (derselbe Inhalt wurde einmal gespeichert).</translation>
    </message>
    <message>
        <source>%1 file(s) saved, %2 file(s) not saved.</source>
        <translation>%1 Datei(en) gespeichert, %2 Datei(en) nicht gespeichert.</translation>
    </message>
    <message>
        <source>Output: %1</source>
        <translation>Ausgabe: %1</translation>
    </message>
    <message>
        <source>Saving stopped. %1 file(s) saved in %2.</source>
        <translation>Speichern angehalten. %1 Datei(en) gespeichert in %2.</translation>
    </message>
    <message>
        <source>The save is incomplete: %1 file(s) saved, %2 file(s) not saved.</source>
        <translation>Das Speichern ist unvollständig: %1 Datei(en) gespeichert, %2 Datei(en) nicht gespeichert.</translation>
    </message>
    <message>
        <source>Saving operation completed. %1 file(s) saved in %2.</source>
        <translation>Speichervorgang abgeschlossen. %1 Datei(en) gespeichert in %2.</translation>
    </message>
    <message>
        <source>%1 MP3 file(s) were not saved: shorter than 2 KB, too short to be music.</source>
        <translation>%1 MP3-Datei(en) wurden nicht gespeichert: kürzer als 2 KB, zu kurz für Musik.</translation>
    </message>
    <message>
        <source>The save stopped: Removable drive is disconnected.</source>
        <translation>Das Speichern wurde beendet: Das Wechsellaufwerk ist nicht mehr verbunden.</translation>
    </message>
    <message>
        <source>The save stopped: the destination %1 cannot take more files (%2).</source>
        <translation>Das Speichern wurde beendet: Das Ziel %1 kann keine weiteren Dateien aufnehmen (%2).</translation>
    </message>
    <message>
        <source>The destination folder %1 does not exist.</source>
        <translation>Der Zielordner %1 existiert nicht.</translation>
    </message>
    <message>
        <source>Burning stopped, but the recorder did not finish in time; the cache folder %1 was kept.</source>
        <translation>Das Brennen wurde angehalten, aber der Brenner ist nicht rechtzeitig fertig geworden; der Zwischenspeicherordner %1 wurde behalten.</translation>
    </message>
    <message>
        <source>%1 file(s) were burnt; %2 could not be written to the cache.</source>
        <translation>%1 Datei(en) wurden gebrannt; %2 konnten nicht in den Zwischenspeicher geschrieben werden.</translation>
    </message>
    <message>
        <source>The job ended with an error.</source>
        <translation>Der Vorgang endete mit einem Fehler.</translation>
    </message>
    <message>
        <source>There is no disk or disk image at %1.</source>
        <translation>Unter %1 gibt es keinen Datenträger und kein Datenträgerabbild.</translation>
    </message>
    <message>
        <source>There is no job to run.</source>
        <translation>Es gibt keinen Vorgang auszuführen.</translation>
    </message>
    <message>
        <source>This is not a valid Tarvolin Scan Information file</source>
        <translation>Dies ist keine gültige Tarvolin-Scan-Info-Datei</translation>
    </message>
    <message>
        <source>This scan info was made from %1 (%2 sectors), which is not here.
Connect that medium or open its disk image, then open the scan info again.</source>
        <translation>Diese Scan-Info stammt von %1 (%2 Sektoren), das hier nicht vorhanden ist.
Schließen Sie diesen Datenträger an oder öffnen Sie sein Abbild und öffnen Sie die Scan-Info dann erneut.</translation>
    </message>
    <message>
        <source>Time Elapsed</source>
        <translation>Verstrichene Zeit</translation>
    </message>
    <message>
        <source>Total Data</source>
        <translation>Daten gesamt</translation>
    </message>
    <message>
        <source>Total File(s)</source>
        <translation>Dateien gesamt</translation>
    </message>
    <message>
        <source>Total Folder(s)</source>
        <translation>Ordner gesamt</translation>
    </message>
    <message>
        <source>Total Sectors</source>
        <translation>Sektoren gesamt</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Breite</translation>
    </message>
    <message>
        <source>Write operation failed</source>
        <translation>Der Schreibvorgang ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>Writing cache</source>
        <translation>Zwischenspeicher wird geschrieben</translation>
    </message>
    <message>
        <source>You can click the [stop] button at any instance to stop the burning process.</source>
        <translation>Sie können das Brennen jederzeit mit [Stopp] abbrechen.</translation>
    </message>
    <message>
        <source>can not get the SPC</source>
        <translation>Die Clustergröße konnte nicht ermittelt werden</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>More camera and phone formats</source>
        <translation>Weitere Kamera- und Telefonformate</translation>
    </message>
    <message>
        <source>  (deleted)</source>
        <translation>  (gelöscht)</translation>
    </message>
    <message>
        <source>Modified: </source>
        <translation>Geändert: </translation>
    </message>
    <message>
        <source>Deleted from the card</source>
        <translation>Von der Karte gelöscht</translation>
    </message>
    <message>
        <source>Keep original &amp;names and folders</source>
        <translation>Ursprüngliche &amp;Namen und Ordner beibehalten</translation>
    </message>
    <message>
        <source>Files the card's file system still knows are saved under their own names and folders</source>
        <translation>Dateien, die das Dateisystem der Karte noch kennt, werden unter ihren eigenen Namen und Ordnern gespeichert</translation>
    </message>
    <message>
        <source>Organise by &amp;date taken</source>
        <translation>Nach Aufnahme&amp;datum ordnen</translation>
    </message>
    <message>
        <source>Save files with the same content only &amp;once</source>
        <translation>Dateien gleichen Inhalts nur &amp;einmal speichern</translation>
    </message>
    <message>
        <source>The selected files need %1, but only %2 is free in that folder.</source>
        <translation>Die ausgewählten Dateien benötigen %1, in diesem Ordner sind aber nur %2 frei.</translation>
    </message>
    <message>
        <source>The selected files need %1, but only %2 is free in the cache folder.</source>
        <translation>Die ausgewählten Dateien benötigen %1, im Cache-Ordner sind aber nur %2 frei.</translation>
    </message>
    <message>
        <source>The selected files need %1, but only %2 is left on the disc.</source>
        <translation>Die ausgewählten Dateien benötigen %1, auf der Disc sind aber nur noch %2 frei.</translation>
    </message>
    <message>
        <source>Room left on the disc: %1 (the selected files need %2)</source>
        <translation>Noch frei auf der Disc: %1 (die ausgewählten Dateien benötigen %2)</translation>
    </message>
    <message>
        <source>Free space there: %1 (the selected files need %2)</source>
        <translation>Freier Speicherplatz dort: %1 (die ausgewählten Dateien benötigen %2)</translation>
    </message>
    <message>
        <source>%1 free</source>
        <translation>%1 frei</translation>
    </message>
    <message>
        <source>Start anyway?</source>
        <translation>Trotzdem starten?</translation>
    </message>
    <message>
        <source>Not enough room</source>
        <translation>Nicht genug Platz</translation>
    </message>
    <message>
        <source>Copy the card to an image first (for a card that fails or is slow)</source>
        <translation>Karte zuerst in ein Abbild kopieren (für eine Karte, die versagt oder langsam ist)</translation>
    </message>
    <message>
        <source>A scan of this medium stopped at %1 % before its end.
Go on from there, with the file types it was looking for? No starts the scan over.</source>
        <translation>Eine Suche auf diesem Medium endete bei %1 % vor ihrem Ende.
Von dort aus fortfahren, mit den Dateitypen, nach denen sie suchte? Nein beginnt die Suche von vorn.</translation>
    </message>
    <message>
        <source>Save the card's image as</source>
        <translation>Abbild der Karte speichern unter</translation>
    </message>
    <message>
        <source>The map %1 cannot be used (%2); the scan counts every sector of the image as read.</source>
        <translation>Die Karte %1 kann nicht verwendet werden (%2); die Suche betrachtet jeden Sektor des Abbilds als gelesen.</translation>
    </message>
    <message>
        <source>Copying the card to an image</source>
        <translation>Die Karte wird in ein Abbild kopiert</translation>
    </message>
    <message>
        <source>From: %1</source>
        <translation>Von: %1</translation>
    </message>
    <message>
        <source>To: %1</source>
        <translation>Nach: %1</translation>
    </message>
    <message>
        <source>Copy progress</source>
        <translation>Fortschritt der Kopie</translation>
    </message>
    <message>
        <source>Rescue map</source>
        <translation>Rettungskarte</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Bad</source>
        <translation>Defekt</translation>
    </message>
    <message>
        <source>Not yet tried</source>
        <translation>Noch nicht versucht</translation>
    </message>
    <message>
        <source>Rescued: %1 of %2 (%3 %)</source>
        <translation>Gerettet: %1 von %2 (%3 %)</translation>
    </message>
    <message>
        <source>Bad areas: %1 (%2 bytes)</source>
        <translation>Defekte Bereiche: %1 (%2 Byte)</translation>
    </message>
    <message>
        <source>Rate: %1/s</source>
        <translation>Geschwindigkeit: %1/s</translation>
    </message>
    <message>
        <source>Since the last good read: %1</source>
        <translation>Seit dem letzten gelungenen Lesen: %1</translation>
    </message>
    <message>
        <source>Do you want to stop the copy? The image and its map are kept, and the copy can go on later.</source>
        <translation>Möchten Sie die Kopie anhalten? Das Abbild und seine Karte bleiben erhalten, und die Kopie kann später fortgesetzt werden.</translation>
    </message>
    <message>
        <source>The copy was stopped. The image and its map are kept: tick the copy box again and choose the same image to go on where it stopped, or open the image to recover from what was copied.</source>
        <translation>Die Kopie wurde angehalten. Das Abbild und seine Karte bleiben erhalten: Kreuzen Sie das Kästchen für die Kopie wieder an und wählen Sie dasselbe Abbild, um dort fortzufahren, wo sie angehalten wurde, oder öffnen Sie das Abbild, um aus dem Kopierten wiederherzustellen.</translation>
    </message>
    <message>
        <source>What are you looking for?</source>
        <translation>Wonach suchen Sie?</translation>
    </message>
    <message>
        <source>Tick the kinds of files to find. Fewer types make the scan quicker.</source>
        <translation>Kreuzen Sie die gesuchten Dateiarten an. Weniger Arten machen die Suche schneller.</translation>
    </message>
    <message>
        <source>photo and video recovery</source>
        <translation>Foto- und Videorettung</translation>
    </message>
    <message>
        <source>Home folder</source>
        <translation>Persönlicher Ordner</translation>
    </message>
    <message>
        <source>Time left: not known yet</source>
        <translation>Restzeit: noch unbekannt</translation>
    </message>
    <message>
        <source>Time left: %1</source>
        <translation>Restzeit: %1</translation>
    </message>
    <message>
        <source>Time left: %1 and the bad areas</source>
        <translation>Restzeit: %1 plus defekte Bereiche</translation>
    </message>
</context>
</TS>
