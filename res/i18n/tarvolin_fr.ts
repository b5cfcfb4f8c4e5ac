<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en">
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
Bienvenue dans Orvane Tarvolin&#xd;
 &#xd;
Cet utilitaire offre une interface très simple qui vous aide à&#xd;
récupérer vos fichiers multimédias en quelques étapes.&#xd;
&#xd;
C&#x27;est une application intuitive et très rapide pour restaurer&#xd;
les fichiers multimédias numériques, notamment BMP, PNG, JPG, GIF, TIF, CRW, CR2,&#xd;
SRF, SR2, NEF, MRW, ORF, MP3, MIDI, WAV, MP4, MPEG, AVI et MOV.&#xd;
&#xd;
À tout moment, appuyez sur « F1 » ou sur le bouton d&#x27;aide pour afficher l&#x27;aide.&#xd;
&#xd;
 </translation>
    </message>
    <message>
        <source>  (may be incomplete)</source>
        <translation>  (peut-être incomplet)</translation>
    </message>
    <message>
        <source> KB</source>
        <translation> KB</translation>
    </message>
    <message>
        <source> Media Player - </source>
        <translation> Lecteur multimédia - </translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 octets</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Précédent</translation>
    </message>
    <message>
        <source>&amp;Compress Data</source>
        <translation>&amp;Compresser les données</translation>
    </message>
    <message>
        <source>&amp;Deselect All</source>
        <translation>&amp;Tout désélectionner</translation>
    </message>
    <message>
        <source>&amp;Deselect Item</source>
        <translation>&amp;Désélectionner l&#x27;élément</translation>
    </message>
    <message>
        <source>&amp;Hide files smaller than</source>
        <translation>&amp;Masquer les fichiers de moins de</translation>
    </message>
    <message>
        <source>&amp;Local Drives:</source>
        <translation>&amp;Lecteurs locaux :</translation>
    </message>
    <message>
        <source>&amp;Measure exact file lengths</source>
        <translation>&amp;Mesurer la longueur exacte des fichiers</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Suivant</translation>
    </message>
    <message>
        <source>&amp;Open scan info</source>
        <translation>&amp;Ouvrir l&#x27;analyse</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>&amp;Preview</source>
        <translation>&amp;Aperçu</translation>
    </message>
    <message>
        <source>&amp;Refresh Drives</source>
        <translation>&amp;Actualiser</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Reprendre</translation>
    </message>
    <message>
        <source>&amp;Save </source>
        <translation>&amp;Enregistrer </translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Arrêter</translation>
    </message>
    <message>
        <source>At any instance press [Stop] button to stop this operation.</source>
        <translation>Appuyez à tout moment sur [Arrêter] pour arrêter cette opération.</translation>
    </message>
    <message>
        <source>At any instance you can press [Stop] button to stop the scan.</source>
        <translation>Vous pouvez à tout moment appuyer sur [Arrêter] pour arrêter l&#x27;analyse.</translation>
    </message>
    <message>
        <source>Backing File</source>
        <translation>Fichier d&#x27;image</translation>
    </message>
    <message>
        <source>Burn data to CD/DVD</source>
        <translation>Graver sur CD/DVD</translation>
    </message>
    <message>
        <source>Burning compressed data</source>
        <translation>Gravure des données compressées</translation>
    </message>
    <message>
        <source>Burning data</source>
        <translation>Gravure des données</translation>
    </message>
    <message>
        <source>Burning operation completed. Finalizing optical media</source>
        <translation>Gravure terminée. Finalisation du disque</translation>
    </message>
    <message>
        <source>Burning stopped; nothing was written to the disc.</source>
        <translation>Gravure arrêtée ; rien n&#x27;a été écrit sur le disque.</translation>
    </message>
    <message>
        <source>Burning stopped; the disc keeps its earlier sessions.</source>
        <translation>Gravure arrêtée ; le disque conserve ses sessions précédentes.</translation>
    </message>
    <message>
        <source>CD / DVD Burning Devices:</source>
        <translation>Graveurs de CD / DVD :</translation>
    </message>
    <message>
        <source>CD/DVD Burning process Aborted</source>
        <translation>La gravure du CD/DVD a été interrompue</translation>
    </message>
    <message>
        <source>CD/DVD burning is not available in this copy of Tarvolin.</source>
        <translation>La gravure de CD/DVD n&#x27;est pas disponible dans cette version de Tarvolin.</translation>
    </message>
    <message>
        <source>CD/DVD burning operation completed successfully</source>
        <translation>La gravure du CD/DVD s&#x27;est terminée avec succès</translation>
    </message>
    <message>
        <source>Can&#x27;t initialize DirectMusic objects.Ensure you have an audio card device and DirectX 8.0 or above installed in your system.</source>
        <translation>Impossible d&#x27;initialiser la lecture audio. Vérifiez qu&#x27;une carte son et un serveur audio sont disponibles sur votre système.</translation>
    </message>
    <message>
        <source>Check the files or folders that you want
to recover and click &quot;Save&quot; button.</source>
        <translation>Cochez les fichiers ou dossiers que vous voulez
récupérer et cliquez sur le bouton « Enregistrer ».</translation>
    </message>
    <message>
        <source>Checksum failure</source>
        <translation>Erreur de somme de contrôle</translation>
    </message>
    <message>
        <source>Color Model</source>
        <translation>Modèle de couleur</translation>
    </message>
    <message>
        <source>Components per Pixel</source>
        <translation>Composantes par pixel</translation>
    </message>
    <message>
        <source>Compressed saving operation completed.
You would need unzip tool to decompress recovered archive(s).</source>
        <translation>L&#x27;enregistrement compressé est terminé.
Un outil comme unzip est nécessaire pour décompresser les archives récupérées.</translation>
    </message>
    <message>
        <source>Compressing and saving data</source>
        <translation>Compression et enregistrement des données</translation>
    </message>
    <message>
        <source>Compression</source>
        <translation>Compression</translation>
    </message>
    <message>
        <source>Compression Description</source>
        <translation>Description de la compression</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirmer</translation>
    </message>
    <message>
        <source>Confirmation</source>
        <translation>Confirmation</translation>
    </message>
    <message>
        <source>Corrupt scan info file</source>
        <translation>Fichier d&#x27;infos d&#x27;analyse endommagé</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Device could not be locked</source>
        <translation>Impossible de verrouiller le périphérique</translation>
    </message>
    <message>
        <source>Disc &amp;image file…</source>
        <translation>Fichier d&#x27;&amp;image disque…</translation>
    </message>
    <message>
        <source>Disc image (*.iso)</source>
        <translation>Image disque (*.iso)</translation>
    </message>
    <message>
        <source>Disc image file</source>
        <translation>Fichier d&#x27;image disque</translation>
    </message>
    <message>
        <source>Disclaimer</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>Disk images (*.img *.dd *.raw *.iso *.bin *.dmg *.vhd);;All files (*)</source>
        <translation>Images disque (*.img *.dd *.raw *.iso *.bin *.dmg *.vhd);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Do you want to save scan info?</source>
        <translation>Voulez-vous enregistrer les infos d&#x27;analyse ?</translation>
    </message>
    <message>
        <source>Do you want to stop CD/DVD burning process?</source>
        <translation>Voulez-vous arrêter la gravure du CD/DVD ?</translation>
    </message>
    <message>
        <source>Do you want to stop saving process?</source>
        <translation>Voulez-vous arrêter l&#x27;enregistrement ?</translation>
    </message>
    <message>
        <source>Do you want to stop the scanning process?</source>
        <translation>Voulez-vous arrêter l&#x27;analyse ?</translation>
    </message>
    <message>
        <source>Double click on file to preview</source>
        <translation>Double-cliquez sur un fichier pour l&#x27;afficher</translation>
    </message>
    <message>
        <source>Double click on file to preview
Its structure breaks off before its end: it may be incomplete.</source>
        <translation>Double-cliquez sur un fichier pour l&#x27;afficher
Sa structure s&#x27;interrompt avant la fin : il est peut-être incomplet.</translation>
    </message>
    <message>
        <source>Drive details</source>
        <translation>Détails du lecteur</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Lecteurs</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Error loading file</source>
        <translation>Erreur lors du chargement du fichier</translation>
    </message>
    <message>
        <source>Failed to load Orvane Tarvolin</source>
        <translation>Impossible de charger Orvane Tarvolin</translation>
    </message>
    <message>
        <source>Failed to open drive</source>
        <translation>Impossible d&#x27;ouvrir le lecteur</translation>
    </message>
    <message>
        <source>Failed to open drive
%1</source>
        <translation>Impossible d&#x27;ouvrir le lecteur
%1</translation>
    </message>
    <message>
        <source>File Size</source>
        <translation>Taille du fichier</translation>
    </message>
    <message>
        <source>File previewer</source>
        <translation>Aperçu de fichier</translation>
    </message>
    <message>
        <source>File size is too large to preview.</source>
        <translation>Le fichier est trop volumineux pour l&#x27;aperçu.</translation>
    </message>
    <message>
        <source>Files smaller than this are hidden</source>
        <translation>Les fichiers plus petits sont masqués</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Dossiers</translation>
    </message>
    <message>
        <source>Follow each file&#x27;s own structure to its end, so that files come back whole and without padding. Files whose structure breaks off are marked &quot;may be incomplete&quot;.</source>
        <translation>Suivre la structure propre de chaque fichier jusqu&#x27;à sa fin, afin que les fichiers reviennent entiers et sans remplissage. Les fichiers dont la structure s&#x27;interrompt sont marqués « peut-être incomplet ».</translation>
    </message>
    <message>
        <source>Format Index</source>
        <translation>Index du format</translation>
    </message>
    <message>
        <source>Format Name</source>
        <translation>Nom du format</translation>
    </message>
    <message>
        <source>Found files</source>
        <translation>Fichiers trouvés</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Hauteur</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>Image Options</source>
        <translation>Options de l&#x27;image</translation>
    </message>
    <message>
        <source>Image Preview</source>
        <translation>Aperçu de l&#x27;image</translation>
    </message>
    <message>
        <source>Image Properties</source>
        <translation>Propriétés de l&#x27;image</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Interface Type</source>
        <translation>Type d&#x27;interface</translation>
    </message>
    <message>
        <source>Invalid Handle</source>
        <translation>Descripteur non valide</translation>
    </message>
    <message>
        <source>Invalid or corrupt scan file</source>
        <translation>Fichier d&#x27;analyse non valide ou endommagé</translation>
    </message>
    <message>
        <source>Last File Found : </source>
        <translation>Dernier fichier trouvé : </translation>
    </message>
    <message>
        <source>Last File Saved : </source>
        <translation>Dernier fichier enregistré : </translation>
    </message>
    <message>
        <source>Loading Image...</source>
        <translation>Chargement de l&#x27;image...</translation>
    </message>
    <message>
        <source>Loading drive list...</source>
        <translation>Chargement de la liste des lecteurs...</translation>
    </message>
    <message>
        <source>May be file is corrupted or 
Preview is not available for this file format</source>
        <translation>Le fichier est peut-être endommagé ou 
l&#x27;aperçu n&#x27;est pas disponible pour ce format de fichier</translation>
    </message>
    <message>
        <source>Media Player</source>
        <translation>Lecteur multimédia</translation>
    </message>
    <message>
        <source>Media Type</source>
        <translation>Type de support</translation>
    </message>
    <message>
        <source>Model Name</source>
        <translation>Modèle</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Poste de travail</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>No CD/DVD recorder was found on this computer.</source>
        <translation>Aucun graveur de CD/DVD n&#x27;a été trouvé sur cet ordinateur.</translation>
    </message>
    <message>
        <source>No CD/DVD recorder was found on this computer. Choose &quot;Disc image file&quot; to write an image file instead.</source>
        <translation>Aucun graveur de CD/DVD n&#x27;a été trouvé sur cet ordinateur. Choisissez « Fichier d&#x27;image disque » pour écrire plutôt un fichier image.</translation>
    </message>
    <message>
        <source>No file could be written to the cache; nothing was burnt.</source>
        <translation>Aucun fichier n&#x27;a pu être écrit dans le cache ; rien n&#x27;a été gravé.</translation>
    </message>
    <message>
        <source>No item to display in this view.</source>
        <translation>Aucun élément à afficher dans cette vue.</translation>
    </message>
    <message>
        <source>No removable drives found</source>
        <translation>Aucun lecteur amovible trouvé</translation>
    </message>
    <message>
        <source>No. of files found :</source>
        <translation>Fichiers trouvés :</translation>
    </message>
    <message>
        <source>No. of files saved :</source>
        <translation>Fichiers enregistrés :</translation>
    </message>
    <message>
        <source>Number of Images</source>
        <translation>Nombre d&#x27;images</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Open &amp;image…</source>
        <translation>Ouvrir une &amp;image…</translation>
    </message>
    <message>
        <source>Open image</source>
        <translation>Ouvrir une image</translation>
    </message>
    <message>
        <source>Orvane Tarvolin already running.
Please close the running instance first.</source>
        <translation>Orvane Tarvolin est déjà en cours d&#x27;exécution.
Veuillez d&#x27;abord fermer l&#x27;instance en cours.</translation>
    </message>
    <message>
        <source>Other folder…</source>
        <translation>Autre dossier…</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Picture</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>Please Select File types</source>
        <translation>Veuillez choisir des types de fichiers</translation>
    </message>
    <message>
        <source>Please ensure that you are not saving data to 
the same location from where you are recovering.
Saving data to the same location would result in 
permanent data loss.</source>
        <translation>Assurez-vous de ne pas enregistrer les données 
à l&#x27;emplacement d&#x27;où vous les récupérez.
Enregistrer au même emplacement entraînerait 
une perte définitive de données.</translation>
    </message>
    <message>
        <source>Please insert higher capacity CD/DVD.</source>
        <translation>Veuillez insérer un CD/DVD de plus grande capacité.</translation>
    </message>
    <message>
        <source>Please insert media and try again.</source>
        <translation>Veuillez insérer un disque et réessayer.</translation>
    </message>
    <message>
        <source>Please insert writable media try again.</source>
        <translation>Veuillez insérer un disque inscriptible et réessayer.</translation>
    </message>
    <message>
        <source>Please install Tarvolin to run this application.</source>
        <translation>Veuillez installer Tarvolin pour exécuter cette application.</translation>
    </message>
    <message>
        <source>Please select files and folders</source>
        <translation>Veuillez sélectionner des fichiers et des dossiers</translation>
    </message>
    <message>
        <source>Please stop the current process</source>
        <translation>Veuillez d&#x27;abord arrêter l&#x27;opération en cours</translation>
    </message>
    <message>
        <source>Please wait, Orvane Tarvolin is buring data to CD/DVD. This process might take few
minutes to complete.</source>
        <translation>Veuillez patienter, Orvane Tarvolin grave les données sur CD/DVD. Cette opération peut durer
quelques minutes.</translation>
    </message>
    <message>
        <source>Please wait, saving data. It may take several seconds to few hours. Estimated time to save data
depends upon data selected, speed and physical condition of destination disk drive.</source>
        <translation>Veuillez patienter, enregistrement des données. Cela peut durer de quelques secondes à quelques heures. La durée
dépend des données choisies ainsi que de la vitesse et de l&#x27;état physique du lecteur de destination.</translation>
    </message>
    <message>
        <source>Please wait, scanning might take several seconds to few hours. Estimated scan time depends on 
selected media (size, speed and physical condition of storage media).</source>
        <translation>Veuillez patienter, l&#x27;analyse peut durer de quelques secondes à quelques heures. Sa durée dépend du 
support choisi (taille, vitesse et état physique du support de stockage).</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progression</translation>
    </message>
    <message>
        <source>Removable drive is disconnected.</source>
        <translation>Le lecteur amovible est déconnecté.</translation>
    </message>
    <message>
        <source>Removable drive is disconnected.
please connect the drive and restart the scanning.</source>
        <translation>Le lecteur amovible est déconnecté.
Veuillez brancher le lecteur et relancer l&#x27;analyse.</translation>
    </message>
    <message>
        <source>Removable drive is disconnected.please reconnect the drive</source>
        <translation>Le lecteur amovible est déconnecté. Veuillez le rebrancher</translation>
    </message>
    <message>
        <source>S&amp;ave scan info</source>
        <translation>&amp;Sauver le scan</translation>
    </message>
    <message>
        <source>Save data to local drive</source>
        <translation>Enregistrer en local</translation>
    </message>
    <message>
        <source>Save scan info</source>
        <translation>Enregistrer les infos d&#x27;analyse</translation>
    </message>
    <message>
        <source>Saving Options</source>
        <translation>Options d&#x27;enregistrement</translation>
    </message>
    <message>
        <source>Saving Path :</source>
        <translation>Chemin d&#x27;enregistrement :</translation>
    </message>
    <message>
        <source>Saving is in progress</source>
        <translation>Enregistrement en cours</translation>
    </message>
    <message>
        <source>Saving operation completed</source>
        <translation>L&#x27;enregistrement est terminé</translation>
    </message>
    <message>
        <source>Saving operation completed successfully</source>
        <translation>L&#x27;enregistrement s&#x27;est terminé avec succès</translation>
    </message>
    <message>
        <source>Saving process Aborted</source>
        <translation>L&#x27;enregistrement a été interrompu</translation>
    </message>
    <message>
        <source>Scanning Process completed Successfully.</source>
        <translation>L&#x27;analyse s&#x27;est terminée avec succès.</translation>
    </message>
    <message>
        <source>Scanning is in progress</source>
        <translation>Analyse en cours</translation>
    </message>
    <message>
        <source>Scanning process aborted.</source>
        <translation>L&#x27;analyse a été interrompue.</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>&amp;Tout sélectionner</translation>
    </message>
    <message>
        <source>Select &amp;Item</source>
        <translation>Sélectionner l&#x27;&amp;élément</translation>
    </message>
    <message>
        <source>Select drive to recover :</source>
        <translation>Choisissez le lecteur :</translation>
    </message>
    <message>
        <source>Select image file types to recover</source>
        <translation>Choisissez les types d&#x27;images à récupérer</translation>
    </message>
    <message>
        <source>Select location to save temporary cache</source>
        <translation>Choisissez l&#x27;emplacement du cache temporaire</translation>
    </message>
    <message>
        <source>Select music &amp;&amp; video file types to recover</source>
        <translation>Choisissez les types de musique &amp;&amp; vidéo à récupérer</translation>
    </message>
    <message>
        <source>Select the folder to save to</source>
        <translation>Choisissez le dossier de destination</translation>
    </message>
    <message>
        <source>Selected Data</source>
        <translation>Données sélectionnées</translation>
    </message>
    <message>
        <source>Selected File(s)</source>
        <translation>Fichiers sélectionnés</translation>
    </message>
    <message>
        <source>Selected Folder(s)</source>
        <translation>Dossiers sélectionnés</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Numéro de série</translation>
    </message>
    <message>
        <source>Show &amp;thumbnails</source>
        <translation>Afficher les &amp;miniatures</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Taille</translation>
    </message>
    <message>
        <source>Size ( bytes )</source>
        <translation>Taille (octets)</translation>
    </message>
    <message>
        <source>Source Drive :</source>
        <translation>Lecteur source :</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêt</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>Arrêt en cours...</translation>
    </message>
    <message>
        <source>Stretch</source>
        <translation>Étirer</translation>
    </message>
    <message>
        <source>TVN Scan info (*.bin)</source>
        <translation>Infos d&#x27;analyse TVN (*.bin)</translation>
    </message>
    <message>
        <source>TVN scan info (*.bin)</source>
        <translation>Infos d&#x27;analyse TVN (*.bin)</translation>
    </message>
    <message>
        <source>The CD/DVD recorder is not ready; nothing was burnt.</source>
        <translation>Le graveur de CD/DVD n&#x27;est pas prêt ; rien n&#x27;a été gravé.</translation>
    </message>
    <message>
        <source>The device could not be unlocked</source>
        <translation>Impossible de déverrouiller le périphérique</translation>
    </message>
    <message>
        <source>The disc image could not be built; nothing was burnt.</source>
        <translation>L&#x27;image disque n&#x27;a pas pu être créée ; rien n&#x27;a été gravé.</translation>
    </message>
    <message>
        <source>The folder holds the image being recovered.</source>
        <translation>Le dossier contient l&#x27;image en cours de récupération.</translation>
    </message>
    <message>
        <source>The help could not be opened: no web browser is set up to show it.
The help pages are in %1; open index.htm there in a web browser.</source>
        <translation>Impossible d&#x27;ouvrir l&#x27;aide : aucun navigateur web n&#x27;est configuré pour l&#x27;afficher.
Les pages d&#x27;aide se trouvent dans %1 ; ouvrez-y index.htm dans un navigateur web.</translation>
    </message>
    <message>
        <source>No file manager could be opened to show the saved files. They are in:
%1</source>
        <translation>Aucun gestionnaire de fichiers n’a pu être ouvert pour afficher les fichiers enregistrés. Ils se trouvent dans :
%1</translation>
    </message>
    <message>
        <source>Step 1 of 2: copying the files to the cache folder</source>
        <translation>Étape 1 sur 2 : copie des fichiers dans le dossier cache</translation>
    </message>
    <message>
        <source>Step 2 of 2: writing the disc</source>
        <translation>Étape 2 sur 2 : gravure du disque</translation>
    </message>
    <message>
        <source>Do you want to choose another destination for the %1 file(s) not saved yet?</source>
        <translation>Voulez-vous choisir une autre destination pour le(s) %1 fichier(s) pas encore enregistré(s) ?</translation>
    </message>
    <message>
        <source>%1 sector(s) of %2 file(s) could not be read; they are zeros in the saved files.</source>
        <translation>%1 secteur(s) de %2 fichier(s) n’ont pas pu être lus ; ils sont remplis de zéros dans les fichiers enregistrés.</translation>
    </message>
    <message>
        <source>%1 file(s) above 50 MB were cut to 1 MB: %2.</source>
        <translation>%1 fichier(s) de plus de 50 Mo ont été tronqués à 1 Mo : %2.</translation>
    </message>
    <message>
        <source>%1 duplicate file(s) skipped (the same content was saved once).</source>
        <translation>%1 fichier(s) en double ignoré(s) (le même contenu a été enregistré une fois).</translation>
    </message>
    <message>
        <source>%1 file(s) saved, %2 file(s) not saved.</source>
        <translation>%1 fichier(s) enregistré(s), %2 fichier(s) non enregistré(s).</translation>
    </message>
    <message>
        <source>Output: %1</source>
        <translation>Sortie : %1</translation>
    </message>
    <message>
        <source>Saving stopped. %1 file(s) saved in %2.</source>
        <translation>Enregistrement arrêté. %1 fichier(s) enregistré(s) dans %2.</translation>
    </message>
    <message>
        <source>The save is incomplete: %1 file(s) saved, %2 file(s) not saved.</source>
        <translation>L’enregistrement est incomplet : %1 fichier(s) enregistré(s), %2 fichier(s) non enregistré(s).</translation>
    </message>
    <message>
        <source>Saving operation completed. %1 file(s) saved in %2.</source>
        <translation>Opération d’enregistrement terminée. %1 fichier(s) enregistré(s) dans %2.</translation>
    </message>
    <message>
        <source>%1 MP3 file(s) were not saved: shorter than 2 KB, too short to be music.</source>
        <translation>%1 fichier(s) MP3 n’ont pas été enregistrés : moins de 2 Ko, trop courts pour être de la musique.</translation>
    </message>
    <message>
        <source>The save stopped: Removable drive is disconnected.</source>
        <translation>L’enregistrement s’est arrêté : le lecteur amovible est déconnecté.</translation>
    </message>
    <message>
        <source>The save stopped: the destination %1 cannot take more files (%2).</source>
        <translation>L’enregistrement s’est arrêté : la destination %1 ne peut plus recevoir de fichiers (%2).</translation>
    </message>
    <message>
        <source>The destination folder %1 does not exist.</source>
        <translation>Le dossier de destination %1 n’existe pas.</translation>
    </message>
    <message>
        <source>Burning stopped, but the recorder did not finish in time; the cache folder %1 was kept.</source>
        <translation>La gravure a été arrêtée, mais le graveur n’a pas terminé à temps ; le dossier cache %1 a été conservé.</translation>
    </message>
    <message>
        <source>%1 file(s) were burnt; %2 could not be written to the cache.</source>
        <translation>%1 fichier(s) ont été gravés ; %2 n’ont pas pu être écrits dans le cache.</translation>
    </message>
    <message>
        <source>The job ended with an error.</source>
        <translation>L&#x27;opération s&#x27;est terminée par une erreur.</translation>
    </message>
    <message>
        <source>There is no disk or disk image at %1.</source>
        <translation>Il n&#x27;y a ni disque ni image disque à l&#x27;emplacement %1.</translation>
    </message>
    <message>
        <source>There is no job to run.</source>
        <translation>Il n&#x27;y a aucune opération à exécuter.</translation>
    </message>
    <message>
        <source>This is not a valid Tarvolin Scan Information file</source>
        <translation>Ce n&#x27;est pas un fichier d&#x27;infos d&#x27;analyse Tarvolin valide</translation>
    </message>
    <message>
        <source>This scan info was made from %1 (%2 sectors), which is not here.
Connect that medium or open its disk image, then open the scan info again.</source>
        <translation>Ces infos d&#x27;analyse proviennent de %1 (%2 secteurs), qui n&#x27;est pas présent.
Branchez ce support ou ouvrez son image disque, puis ouvrez à nouveau les infos d&#x27;analyse.</translation>
    </message>
    <message>
        <source>Time Elapsed</source>
        <translation>Temps écoulé</translation>
    </message>
    <message>
        <source>Total Data</source>
        <translation>Total des données</translation>
    </message>
    <message>
        <source>Total File(s)</source>
        <translation>Total des fichiers</translation>
    </message>
    <message>
        <source>Total Folder(s)</source>
        <translation>Total des dossiers</translation>
    </message>
    <message>
        <source>Total Sectors</source>
        <translation>Nombre de secteurs</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Vidéo</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Largeur</translation>
    </message>
    <message>
        <source>Write operation failed</source>
        <translation>L&#x27;écriture a échoué</translation>
    </message>
    <message>
        <source>Writing cache</source>
        <translation>Écriture du cache</translation>
    </message>
    <message>
        <source>You can click the [stop] button at any instance to stop the burning process.</source>
        <translation>Vous pouvez à tout moment cliquer sur [Arrêter] pour arrêter la gravure.</translation>
    </message>
    <message>
        <source>can not get the SPC</source>
        <translation>Impossible de déterminer la taille des clusters</translation>
    </message>
    <message>
        <source>none</source>
        <translation>aucun</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>More camera and phone formats</source>
        <translation>Autres formats d’appareils photo et de téléphones</translation>
    </message>
    <message>
        <source>  (deleted)</source>
        <translation>  (supprimé)</translation>
    </message>
    <message>
        <source>Modified: </source>
        <translation>Modifié : </translation>
    </message>
    <message>
        <source>Deleted from the card</source>
        <translation>Supprimé de la carte</translation>
    </message>
    <message>
        <source>Keep original &amp;names and folders</source>
        <translation>Conserver les &amp;noms et dossiers d’origine</translation>
    </message>
    <message>
        <source>Files the card's file system still knows are saved under their own names and folders</source>
        <translation>Les fichiers que le système de fichiers de la carte connaît encore sont enregistrés sous leurs propres noms et dossiers</translation>
    </message>
    <message>
        <source>Organise by &amp;date taken</source>
        <translation>Classer par &amp;date de prise de vue</translation>
    </message>
    <message>
        <source>Save files with the same content only &amp;once</source>
        <translation>N’enregistrer qu’une &amp;fois les fichiers de même contenu</translation>
    </message>
    <message>
        <source>The selected files need %1, but only %2 is free in that folder.</source>
        <translation>Les fichiers sélectionnés nécessitent %1, mais ce dossier n&#x27;a que %2 de libre.</translation>
    </message>
    <message>
        <source>The selected files need %1, but only %2 is free in the cache folder.</source>
        <translation>Les fichiers sélectionnés nécessitent %1, mais le dossier du cache n&#x27;a que %2 de libre.</translation>
    </message>
    <message>
        <source>The selected files need %1, but only %2 is left on the disc.</source>
        <translation>Les fichiers sélectionnés nécessitent %1, mais il ne reste que %2 sur le disque.</translation>
    </message>
    <message>
        <source>Room left on the disc: %1 (the selected files need %2)</source>
        <translation>Espace restant sur le disque : %1 (les fichiers sélectionnés nécessitent %2)</translation>
    </message>
    <message>
        <source>Free space there: %1 (the selected files need %2)</source>
        <translation>Espace libre à cet emplacement : %1 (les fichiers sélectionnés nécessitent %2)</translation>
    </message>
    <message>
        <source>%1 free</source>
        <translation>%1 libres</translation>
    </message>
    <message>
        <source>Start anyway?</source>
        <translation>Démarrer quand même ?</translation>
    </message>
    <message>
        <source>Not enough room</source>
        <translation>Espace insuffisant</translation>
    </message>
    <message>
        <source>Copy the card to an image first (for a card that fails or is slow)</source>
        <translation>Copier d’abord la carte dans une image (pour une carte défaillante ou lente)</translation>
    </message>
    <message>
        <source>A scan of this medium stopped at %1 % before its end.
Go on from there, with the file types it was looking for? No starts the scan over.</source>
        <translation>Une analyse de ce support s’est arrêtée à %1 % avant sa fin.
Reprendre à partir de là, avec les types de fichiers qu’elle recherchait ? Non recommence l’analyse.</translation>
    </message>
    <message>
        <source>Save the card's image as</source>
        <translation>Enregistrer l’image de la carte sous</translation>
    </message>
    <message>
        <source>The map %1 cannot be used (%2); the scan counts every sector of the image as read.</source>
        <translation>La carte %1 ne peut pas être utilisée (%2) ; l’analyse considère chaque secteur de l’image comme lu.</translation>
    </message>
    <message>
        <source>Copying the card to an image</source>
        <translation>Copie de la carte dans une image</translation>
    </message>
    <message>
        <source>From: %1</source>
        <translation>De : %1</translation>
    </message>
    <message>
        <source>To: %1</source>
        <translation>Vers : %1</translation>
    </message>
    <message>
        <source>Copy progress</source>
        <translation>Progression de la copie</translation>
    </message>
    <message>
        <source>Rescue map</source>
        <translation>Carte de sauvetage</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Copié</translation>
    </message>
    <message>
        <source>Bad</source>
        <translation>Défectueux</translation>
    </message>
    <message>
        <source>Not yet tried</source>
        <translation>Pas encore essayé</translation>
    </message>
    <message>
        <source>Rescued: %1 of %2 (%3 %)</source>
        <translation>Récupéré : %1 sur %2 (%3 %)</translation>
    </message>
    <message>
        <source>Bad areas: %1 (%2 bytes)</source>
        <translation>Zones défectueuses : %1 (%2 octets)</translation>
    </message>
    <message>
        <source>Rate: %1/s</source>
        <translation>Débit : %1/s</translation>
    </message>
    <message>
        <source>Since the last good read: %1</source>
        <translation>Depuis la dernière lecture réussie : %1</translation>
    </message>
    <message>
        <source>Do you want to stop the copy? The image and its map are kept, and the copy can go on later.</source>
        <translation>Voulez-vous arrêter la copie ? L’image et sa carte sont conservées, et la copie pourra reprendre plus tard.</translation>
    </message>
    <message>
        <source>The copy was stopped. The image and its map are kept: tick the copy box again and choose the same image to go on where it stopped, or open the image to recover from what was copied.</source>
        <translation>La copie a été arrêtée. L’image et sa carte sont conservées : cochez à nouveau la case de copie et choisissez la même image pour reprendre là où elle s’est arrêtée, ou ouvrez l’image pour récupérer à partir de ce qui a été copié.</translation>
    </message>
    <message>
        <source>What are you looking for?</source>
        <translation>Que recherchez-vous ?</translation>
    </message>
    <message>
        <source>Tick the kinds of files to find. Fewer types make the scan quicker.</source>
        <translation>Cochez les types de fichiers à rechercher. Moins il y en a, plus l’analyse est rapide.</translation>
    </message>
    <message>
        <source>photo and video recovery</source>
        <translation>récupération de photos et de vidéos</translation>
    </message>
    <message>
        <source>Home folder</source>
        <translation>Dossier personnel</translation>
    </message>
    <message>
        <source>Time left: not known yet</source>
        <translation>Temps restant : encore inconnu</translation>
    </message>
    <message>
        <source>Time left: %1</source>
        <translation>Temps restant : %1</translation>
    </message>
    <message>
        <source>Time left: %1 and the bad areas</source>
        <translation>Temps restant : %1, plus les zones défectueuses</translation>
    </message>
</context>
</TS>
