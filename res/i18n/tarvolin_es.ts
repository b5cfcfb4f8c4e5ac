<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES" sourcelanguage="en">
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
Bienvenido a Orvane Tarvolin&#xd;
 &#xd;
Esta utilidad ofrece una interfaz muy sencilla que le ayuda a&#xd;
recuperar archivos multimedia en unos pocos pasos.&#xd;
&#xd;
Es una aplicación intuitiva y muy rápida para restaurar&#xd;
archivos multimedia digitales, entre ellos BMP, PNG, JPG, GIF, TIF, CRW, CR2,&#xd;
SRF, SR2, NEF, MRW, ORF, MP3, MIDI, WAV, MP4, MPEG, AVI y MOV.&#xd;
&#xd;
En cualquier momento puede pulsar «F1» o el botón de ayuda para abrir la ayuda.&#xd;
&#xd;
 </translation>
    </message>
    <message>
        <source>  (may be incomplete)</source>
        <translation>  (puede estar incompleto)</translation>
    </message>
    <message>
        <source> KB</source>
        <translation> KB</translation>
    </message>
    <message>
        <source> Media Player - </source>
        <translation> Reproductor multimedia - </translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 bytes</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Atrás</translation>
    </message>
    <message>
        <source>&amp;Compress Data</source>
        <translation>&amp;Comprimir datos</translation>
    </message>
    <message>
        <source>&amp;Deselect All</source>
        <translation>&amp;Deseleccionar todo</translation>
    </message>
    <message>
        <source>&amp;Deselect Item</source>
        <translation>&amp;Deseleccionar elemento</translation>
    </message>
    <message>
        <source>&amp;Hide files smaller than</source>
        <translation>&amp;Ocultar archivos menores de</translation>
    </message>
    <message>
        <source>&amp;Local Drives:</source>
        <translation>&amp;Unidades locales:</translation>
    </message>
    <message>
        <source>&amp;Measure exact file lengths</source>
        <translation>&amp;Medir la longitud exacta de los archivos</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Siguiente</translation>
    </message>
    <message>
        <source>&amp;Open scan info</source>
        <translation>Abrir &amp;análisis</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pausa</translation>
    </message>
    <message>
        <source>&amp;Preview</source>
        <translation>&amp;Vista previa</translation>
    </message>
    <message>
        <source>&amp;Refresh Drives</source>
        <translation>&amp;Actualizar</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Reanudar</translation>
    </message>
    <message>
        <source>&amp;Save </source>
        <translation>&amp;Guardar </translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Detener</translation>
    </message>
    <message>
        <source>At any instance press [Stop] button to stop this operation.</source>
        <translation>Pulse [Detener] en cualquier momento para detener esta operación.</translation>
    </message>
    <message>
        <source>At any instance you can press [Stop] button to stop the scan.</source>
        <translation>Puede pulsar [Detener] en cualquier momento para detener el análisis.</translation>
    </message>
    <message>
        <source>Backing File</source>
        <translation>Archivo de imagen</translation>
    </message>
    <message>
        <source>Burn data to CD/DVD</source>
        <translation>Grabar en CD/DVD</translation>
    </message>
    <message>
        <source>Burning compressed data</source>
        <translation>Grabando los datos comprimidos</translation>
    </message>
    <message>
        <source>Burning data</source>
        <translation>Grabando los datos</translation>
    </message>
    <message>
        <source>Burning operation completed. Finalizing optical media</source>
        <translation>Grabación terminada. Finalizando el disco</translation>
    </message>
    <message>
        <source>Burning stopped; nothing was written to the disc.</source>
        <translation>Grabación detenida; no se escribió nada en el disco.</translation>
    </message>
    <message>
        <source>Burning stopped; the disc keeps its earlier sessions.</source>
        <translation>Grabación detenida; el disco conserva sus sesiones anteriores.</translation>
    </message>
    <message>
        <source>CD / DVD Burning Devices:</source>
        <translation>Grabadoras de CD / DVD:</translation>
    </message>
    <message>
        <source>CD/DVD Burning process Aborted</source>
        <translation>La grabación del CD/DVD se ha interrumpido</translation>
    </message>
    <message>
        <source>CD/DVD burning is not available in this copy of Tarvolin.</source>
        <translation>La grabación de CD/DVD no está disponible en esta versión de Tarvolin.</translation>
    </message>
    <message>
        <source>CD/DVD burning operation completed successfully</source>
        <translation>La grabación del CD/DVD se completó correctamente</translation>
    </message>
    <message>
        <source>Can&#x27;t initialize DirectMusic objects.Ensure you have an audio card device and DirectX 8.0 or above installed in your system.</source>
        <translation>No se pudo iniciar la reproducción de audio. Compruebe que hay una tarjeta de sonido y un servidor de audio en el sistema.</translation>
    </message>
    <message>
        <source>Check the files or folders that you want
to recover and click &quot;Save&quot; button.</source>
        <translation>Marque los archivos o carpetas que desea
recuperar y haga clic en el botón «Guardar».</translation>
    </message>
    <message>
        <source>Checksum failure</source>
        <translation>Error de suma de comprobación</translation>
    </message>
    <message>
        <source>Color Model</source>
        <translation>Modelo de color</translation>
    </message>
    <message>
        <source>Components per Pixel</source>
        <translation>Componentes por píxel</translation>
    </message>
    <message>
        <source>Compressed saving operation completed.
You would need unzip tool to decompress recovered archive(s).</source>
        <translation>El guardado comprimido ha finalizado.
Necesitará una herramienta como unzip para descomprimir los archivos recuperados.</translation>
    </message>
    <message>
        <source>Compressing and saving data</source>
        <translation>Comprimiendo y guardando los datos</translation>
    </message>
    <message>
        <source>Compression</source>
        <translation>Compresión</translation>
    </message>
    <message>
        <source>Compression Description</source>
        <translation>Descripción de la compresión</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirmar</translation>
    </message>
    <message>
        <source>Confirmation</source>
        <translation>Confirmación</translation>
    </message>
    <message>
        <source>Corrupt scan info file</source>
        <translation>Archivo de información de análisis dañado</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Descripción</translation>
    </message>
    <message>
        <source>Device could not be locked</source>
        <translation>No se pudo bloquear el dispositivo</translation>
    </message>
    <message>
        <source>Disc &amp;image file…</source>
        <translation>Archivo de &amp;imagen de disco…</translation>
    </message>
    <message>
        <source>Disc image (*.iso)</source>
        <translation>Imagen de disco (*.iso)</translation>
    </message>
    <message>
        <source>Disc image file</source>
        <translation>Archivo de imagen de disco</translation>
    </message>
    <message>
        <source>Disclaimer</source>
        <translation>Advertencia</translation>
    </message>
    <message>
        <source>Disk images (*.img *.dd *.raw *.iso *.bin *.dmg *.vhd);;All files (*)</source>
        <translation>Imágenes de disco (*.img *.dd *.raw *.iso *.bin *.dmg *.vhd);;Todos los archivos (*)</translation>
    </message>
    <message>
        <source>Do you want to save scan info?</source>
        <translation>¿Desea guardar la información de análisis?</translation>
    </message>
    <message>
        <source>Do you want to stop CD/DVD burning process?</source>
        <translation>¿Desea detener la grabación del CD/DVD?</translation>
    </message>
    <message>
        <source>Do you want to stop saving process?</source>
        <translation>¿Desea detener el guardado?</translation>
    </message>
    <message>
        <source>Do you want to stop the scanning process?</source>
        <translation>¿Desea detener el análisis?</translation>
    </message>
    <message>
        <source>Double click on file to preview</source>
        <translation>Haga doble clic en un archivo para verlo</translation>
    </message>
    <message>
        <source>Double click on file to preview
Its structure breaks off before its end: it may be incomplete.</source>
        <translation>Haga doble clic en un archivo para verlo
Su estructura se interrumpe antes del final: puede estar incompleto.</translation>
    </message>
    <message>
        <source>Drive details</source>
        <translation>Detalles de la unidad</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Unidades</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Salir</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Error loading file</source>
        <translation>Error al cargar el archivo</translation>
    </message>
    <message>
        <source>Failed to load Orvane Tarvolin</source>
        <translation>No se pudo cargar Orvane Tarvolin</translation>
    </message>
    <message>
        <source>Failed to open drive</source>
        <translation>No se pudo abrir la unidad</translation>
    </message>
    <message>
        <source>Failed to open drive
%1</source>
        <translation>No se pudo abrir la unidad
%1</translation>
    </message>
    <message>
        <source>File Size</source>
        <translation>Tamaño del archivo</translation>
    </message>
    <message>
        <source>File previewer</source>
        <translation>Vista previa de archivo</translation>
    </message>
    <message>
        <source>File size is too large to preview.</source>
        <translation>El archivo es demasiado grande para la vista previa.</translation>
    </message>
    <message>
        <source>Files smaller than this are hidden</source>
        <translation>Los archivos más pequeños se ocultan</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Carpetas</translation>
    </message>
    <message>
        <source>Follow each file&#x27;s own structure to its end, so that files come back whole and without padding. Files whose structure breaks off are marked &quot;may be incomplete&quot;.</source>
        <translation>Seguir la estructura propia de cada archivo hasta su final, para que los archivos se recuperen completos y sin relleno. Los archivos cuya estructura se interrumpe se marcan como «puede estar incompleto».</translation>
    </message>
    <message>
        <source>Format Index</source>
        <translation>Índice del formato</translation>
    </message>
    <message>
        <source>Format Name</source>
        <translation>Nombre del formato</translation>
    </message>
    <message>
        <source>Found files</source>
        <translation>Archivos encontrados</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Alto</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Ayuda</translation>
    </message>
    <message>
        <source>Image Options</source>
        <translation>Opciones de imagen</translation>
    </message>
    <message>
        <source>Image Preview</source>
        <translation>Vista previa de la imagen</translation>
    </message>
    <message>
        <source>Image Properties</source>
        <translation>Propiedades de la imagen</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Información</translation>
    </message>
    <message>
        <source>Interface Type</source>
        <translation>Tipo de interfaz</translation>
    </message>
    <message>
        <source>Invalid Handle</source>
        <translation>Identificador no válido</translation>
    </message>
    <message>
        <source>Invalid or corrupt scan file</source>
        <translation>Archivo de análisis no válido o dañado</translation>
    </message>
    <message>
        <source>Last File Found : </source>
        <translation>Último archivo encontrado: </translation>
    </message>
    <message>
        <source>Last File Saved : </source>
        <translation>Último archivo guardado: </translation>
    </message>
    <message>
        <source>Loading Image...</source>
        <translation>Cargando la imagen...</translation>
    </message>
    <message>
        <source>Loading drive list...</source>
        <translation>Cargando la lista de unidades...</translation>
    </message>
    <message>
        <source>May be file is corrupted or 
Preview is not available for this file format</source>
        <translation>Es posible que el archivo esté dañado o 
que la vista previa no esté disponible para este formato</translation>
    </message>
    <message>
        <source>Media Player</source>
        <translation>Reproductor multimedia</translation>
    </message>
    <message>
        <source>Media Type</source>
        <translation>Tipo de medio</translation>
    </message>
    <message>
        <source>Model Name</source>
        <translation>Modelo</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Mi PC</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nombre</translation>
    </message>
    <message>
        <source>No CD/DVD recorder was found on this computer.</source>
        <translation>No se encontró ninguna grabadora de CD/DVD en este equipo.</translation>
    </message>
    <message>
        <source>No CD/DVD recorder was found on this computer. Choose &quot;Disc image file&quot; to write an image file instead.</source>
        <translation>No se encontró ninguna grabadora de CD/DVD en este equipo. Elija «Archivo de imagen de disco» para escribir un archivo de imagen en su lugar.</translation>
    </message>
    <message>
        <source>No file could be written to the cache; nothing was burnt.</source>
        <translation>No se pudo escribir ningún archivo en la caché; no se grabó nada.</translation>
    </message>
    <message>
        <source>No item to display in this view.</source>
        <translation>No hay elementos que mostrar en esta vista.</translation>
    </message>
    <message>
        <source>No removable drives found</source>
        <translation>No se encontraron unidades extraíbles</translation>
    </message>
    <message>
        <source>No. of files found :</source>
        <translation>Archivos encontrados:</translation>
    </message>
    <message>
        <source>No. of files saved :</source>
        <translation>Archivos guardados:</translation>
    </message>
    <message>
        <source>Number of Images</source>
        <translation>Número de imágenes</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Open &amp;image…</source>
        <translation>Abrir &amp;imagen…</translation>
    </message>
    <message>
        <source>Open image</source>
        <translation>Abrir imagen</translation>
    </message>
    <message>
        <source>Orvane Tarvolin already running.
Please close the running instance first.</source>
        <translation>Orvane Tarvolin ya se está ejecutando.
Cierre primero la instancia en ejecución.</translation>
    </message>
    <message>
        <source>Other folder…</source>
        <translation>Otra carpeta…</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pausa</translation>
    </message>
    <message>
        <source>Picture</source>
        <translation>Imagen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Reproducir</translation>
    </message>
    <message>
        <source>Please Select File types</source>
        <translation>Seleccione los tipos de archivo</translation>
    </message>
    <message>
        <source>Please ensure that you are not saving data to 
the same location from where you are recovering.
Saving data to the same location would result in 
permanent data loss.</source>
        <translation>Asegúrese de no guardar los datos 
en la misma ubicación desde la que está recuperando.
Guardar en la misma ubicación provocaría 
la pérdida permanente de los datos.</translation>
    </message>
    <message>
        <source>Please insert higher capacity CD/DVD.</source>
        <translation>Inserte un CD/DVD de mayor capacidad.</translation>
    </message>
    <message>
        <source>Please insert media and try again.</source>
        <translation>Inserte un disco e inténtelo de nuevo.</translation>
    </message>
    <message>
        <source>Please insert writable media try again.</source>
        <translation>Inserte un disco grabable e inténtelo de nuevo.</translation>
    </message>
    <message>
        <source>Please install Tarvolin to run this application.</source>
        <translation>Instale Tarvolin para ejecutar esta aplicación.</translation>
    </message>
    <message>
        <source>Please select files and folders</source>
        <translation>Seleccione archivos y carpetas</translation>
    </message>
    <message>
        <source>Please stop the current process</source>
        <translation>Detenga primero el proceso en curso</translation>
    </message>
    <message>
        <source>Please wait, Orvane Tarvolin is buring data to CD/DVD. This process might take few
minutes to complete.</source>
        <translation>Espere, Orvane Tarvolin está grabando los datos en CD/DVD. Este proceso puede tardar
unos minutos.</translation>
    </message>
    <message>
        <source>Please wait, saving data. It may take several seconds to few hours. Estimated time to save data
depends upon data selected, speed and physical condition of destination disk drive.</source>
        <translation>Espere, se están guardando los datos. Puede tardar desde unos segundos hasta unas horas. La duración
depende de los datos seleccionados y de la velocidad y el estado físico de la unidad de destino.</translation>
    </message>
    <message>
        <source>Please wait, scanning might take several seconds to few hours. Estimated scan time depends on 
selected media (size, speed and physical condition of storage media).</source>
        <translation>Espere, el análisis puede tardar desde unos segundos hasta unas horas. La duración depende del 
medio seleccionado (tamaño, velocidad y estado físico del medio de almacenamiento).</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Posición</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progreso</translation>
    </message>
    <message>
        <source>Removable drive is disconnected.</source>
        <translation>La unidad extraíble está desconectada.</translation>
    </message>
    <message>
        <source>Removable drive is disconnected.
please connect the drive and restart the scanning.</source>
        <translation>La unidad extraíble está desconectada.
Conecte la unidad y vuelva a iniciar el análisis.</translation>
    </message>
    <message>
        <source>Removable drive is disconnected.please reconnect the drive</source>
        <translation>La unidad extraíble está desconectada. Vuelva a conectarla</translation>
    </message>
    <message>
        <source>S&amp;ave scan info</source>
        <translation>Guardar a&amp;nálisis</translation>
    </message>
    <message>
        <source>Save data to local drive</source>
        <translation>Guardar en local</translation>
    </message>
    <message>
        <source>Save scan info</source>
        <translation>Guardar información de análisis</translation>
    </message>
    <message>
        <source>Saving Options</source>
        <translation>Opciones de guardado</translation>
    </message>
    <message>
        <source>Saving Path :</source>
        <translation>Ruta de guardado:</translation>
    </message>
    <message>
        <source>Saving is in progress</source>
        <translation>Guardado en curso</translation>
    </message>
    <message>
        <source>Saving operation completed</source>
        <translation>El guardado ha finalizado</translation>
    </message>
    <message>
        <source>Saving operation completed successfully</source>
        <translation>El guardado se completó correctamente</translation>
    </message>
    <message>
        <source>Saving process Aborted</source>
        <translation>El guardado se ha interrumpido</translation>
    </message>
    <message>
        <source>Scanning Process completed Successfully.</source>
        <translation>El análisis se completó correctamente.</translation>
    </message>
    <message>
        <source>Scanning is in progress</source>
        <translation>Análisis en curso</translation>
    </message>
    <message>
        <source>Scanning process aborted.</source>
        <translation>El análisis se ha interrumpido.</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>Seleccionar &amp;todo</translation>
    </message>
    <message>
        <source>Select &amp;Item</source>
        <translation>Seleccionar &amp;elemento</translation>
    </message>
    <message>
        <source>Select drive to recover :</source>
        <translation>Seleccione la unidad:</translation>
    </message>
    <message>
        <source>Select image file types to recover</source>
        <translation>Seleccione los tipos de imagen que desea recuperar</translation>
    </message>
    <message>
        <source>Select location to save temporary cache</source>
        <translation>Seleccione la ubicación de la caché temporal</translation>
    </message>
    <message>
        <source>Select music &amp;&amp; video file types to recover</source>
        <translation>Seleccione los tipos de música y &amp;&amp; vídeo que desea recuperar</translation>
    </message>
    <message>
        <source>Select the folder to save to</source>
        <translation>Seleccione la carpeta de destino</translation>
    </message>
    <message>
        <source>Selected Data</source>
        <translation>Datos seleccionados</translation>
    </message>
    <message>
        <source>Selected File(s)</source>
        <translation>Archivos seleccionados</translation>
    </message>
    <message>
        <source>Selected Folder(s)</source>
        <translation>Carpetas seleccionadas</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Número de serie</translation>
    </message>
    <message>
        <source>Show &amp;thumbnails</source>
        <translation>Mostrar &amp;miniaturas</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Tamaño</translation>
    </message>
    <message>
        <source>Size ( bytes )</source>
        <translation>Tamaño (bytes)</translation>
    </message>
    <message>
        <source>Source Drive :</source>
        <translation>Unidad de origen:</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Estado</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>Deteniendo...</translation>
    </message>
    <message>
        <source>Stretch</source>
        <translation>Estirar</translation>
    </message>
    <message>
        <source>TVN Scan info (*.bin)</source>
        <translation>Información de análisis TVN (*.bin)</translation>
    </message>
    <message>
        <source>TVN scan info (*.bin)</source>
        <translation>Información de análisis TVN (*.bin)</translation>
    </message>
    <message>
        <source>The CD/DVD recorder is not ready; nothing was burnt.</source>
        <translation>La grabadora de CD/DVD no está lista; no se grabó nada.</translation>
    </message>
    <message>
        <source>The device could not be unlocked</source>
        <translation>No se pudo desbloquear el dispositivo</translation>
    </message>
    <message>
        <source>The disc image could not be built; nothing was burnt.</source>
        <translation>No se pudo crear la imagen de disco; no se grabó nada.</translation>
    </message>
    <message>
        <source>The folder holds the image being recovered.</source>
        <translation>La carpeta contiene la imagen que se está recuperando.</translation>
    </message>
    <message>
        <source>The help could not be opened: no web browser is set up to show it.
The help pages are in %1; open index.htm there in a web browser.</source>
        <translation>No se pudo abrir la ayuda: no hay ningún navegador web configurado para mostrarla.
Las páginas de ayuda están en %1; abra allí index.htm en un navegador web.</translation>
    </message>
    <message>
        <source>No file manager could be opened to show the saved files. They are in:
%1</source>
        <translation>No se pudo abrir ningún gestor de archivos para mostrar los archivos guardados. Están en:
%1</translation>
    </message>
    <message>
        <source>Step 1 of 2: copying the files to the cache folder</source>
        <translation>Paso 1 de 2: copiando los archivos a la carpeta de caché</translation>
    </message>
    <message>
        <source>Step 2 of 2: writing the disc</source>
        <translation>Paso 2 de 2: grabando el disco</translation>
    </message>
    <message>
        <source>Do you want to choose another destination for the %1 file(s) not saved yet?</source>
        <translation>¿Desea elegir otro destino para los %1 archivo(s) aún no guardado(s)?</translation>
    </message>
    <message>
        <source>%1 sector(s) of %2 file(s) could not be read; they are zeros in the saved files.</source>
        <translation>No se pudieron leer %1 sector(es) de %2 archivo(s); en los archivos guardados son ceros.</translation>
    </message>
    <message>
        <source>%1 file(s) above 50 MB were cut to 1 MB: %2.</source>
        <translation>%1 archivo(s) de más de 50 MB se recortaron a 1 MB: %2.</translation>
    </message>
    <message>
        <source>%1 duplicate file(s) skipped (the same content was saved once).</source>
        <translation>Se omitieron %1 archivo(s) duplicado(s) (el mismo contenido se guardó una vez).</translation>
    </message>
    <message>
        <source>%1 file(s) saved, %2 file(s) not saved.</source>
        <translation>%1 archivo(s) guardado(s), %2 archivo(s) sin guardar.</translation>
    </message>
    <message>
        <source>Output: %1</source>
        <translation>Salida: %1</translation>
    </message>
    <message>
        <source>Saving stopped. %1 file(s) saved in %2.</source>
        <translation>Guardado detenido. %1 archivo(s) guardado(s) en %2.</translation>
    </message>
    <message>
        <source>The save is incomplete: %1 file(s) saved, %2 file(s) not saved.</source>
        <translation>El guardado está incompleto: %1 archivo(s) guardado(s), %2 archivo(s) sin guardar.</translation>
    </message>
    <message>
        <source>Saving operation completed. %1 file(s) saved in %2.</source>
        <translation>Operación de guardado completada. %1 archivo(s) guardado(s) en %2.</translation>
    </message>
    <message>
        <source>%1 MP3 file(s) were not saved: shorter than 2 KB, too short to be music.</source>
        <translation>No se guardaron %1 archivo(s) MP3: menos de 2 KB, demasiado cortos para ser música.</translation>
    </message>
    <message>
        <source>The save stopped: Removable drive is disconnected.</source>
        <translation>El guardado se detuvo: la unidad extraíble está desconectada.</translation>
    </message>
    <message>
        <source>The save stopped: the destination %1 cannot take more files (%2).</source>
        <translation>El guardado se detuvo: el destino %1 no admite más archivos (%2).</translation>
    </message>
    <message>
        <source>The destination folder %1 does not exist.</source>
        <translation>La carpeta de destino %1 no existe.</translation>
    </message>
    <message>
        <source>Burning stopped, but the recorder did not finish in time; the cache folder %1 was kept.</source>
        <translation>La grabación se detuvo, pero la grabadora no terminó a tiempo; se conservó la carpeta de caché %1.</translation>
    </message>
    <message>
        <source>%1 file(s) were burnt; %2 could not be written to the cache.</source>
        <translation>Se grabaron %1 archivo(s); %2 no se pudieron escribir en la caché.</translation>
    </message>
    <message>
        <source>The job ended with an error.</source>
        <translation>La operación terminó con un error.</translation>
    </message>
    <message>
        <source>There is no disk or disk image at %1.</source>
        <translation>No hay ningún disco ni imagen de disco en %1.</translation>
    </message>
    <message>
        <source>There is no job to run.</source>
        <translation>No hay ninguna operación que ejecutar.</translation>
    </message>
    <message>
        <source>This is not a valid Tarvolin Scan Information file</source>
        <translation>No es un archivo de información de análisis de Tarvolin válido</translation>
    </message>
    <message>
        <source>This scan info was made from %1 (%2 sectors), which is not here.
Connect that medium or open its disk image, then open the scan info again.</source>
        <translation>Esta información de análisis procede de %1 (%2 sectores), que no está presente.
Conecte ese medio o abra su imagen de disco y vuelva a abrir la información de análisis.</translation>
    </message>
    <message>
        <source>Time Elapsed</source>
        <translation>Tiempo transcurrido</translation>
    </message>
    <message>
        <source>Total Data</source>
        <translation>Total de datos</translation>
    </message>
    <message>
        <source>Total File(s)</source>
        <translation>Total de archivos</translation>
    </message>
    <message>
        <source>Total Folder(s)</source>
        <translation>Total de carpetas</translation>
    </message>
    <message>
        <source>Total Sectors</source>
        <translation>Sectores totales</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Vídeo</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volumen</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Ancho</translation>
    </message>
    <message>
        <source>Write operation failed</source>
        <translation>La escritura ha fallado</translation>
    </message>
    <message>
        <source>Writing cache</source>
        <translation>Escribiendo la caché</translation>
    </message>
    <message>
        <source>You can click the [stop] button at any instance to stop the burning process.</source>
        <translation>Puede hacer clic en [Detener] en cualquier momento para detener la grabación.</translation>
    </message>
    <message>
        <source>can not get the SPC</source>
        <translation>No se pudo determinar el tamaño de clúster</translation>
    </message>
    <message>
        <source>none</source>
        <translation>ninguno</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Fecha</translation>
    </message>
    <message>
        <source>More camera and phone formats</source>
        <translation>Más formatos de cámaras y teléfonos</translation>
    </message>
    <message>
        <source>  (deleted)</source>
        <translation>  (eliminado)</translation>
    </message>
    <message>
        <source>Modified: </source>
        <translation>Modificado: </translation>
    </message>
    <message>
        <source>Deleted from the card</source>
        <translation>Eliminado de la tarjeta</translation>
    </message>
    <message>
        <source>Keep original &amp;names and folders</source>
        <translation>Conservar &amp;nombres y carpetas originales</translation>
    </message>
    <message>
        <source>Files the card's file system still knows are saved under their own names and folders</source>
        <translation>Los archivos que el sistema de archivos de la tarjeta aún conoce se guardan con sus propios nombres y carpetas</translation>
    </message>
    <message>
        <source>Organise by &amp;date taken</source>
        <translation>Organizar por &amp;fecha de captura</translation>
    </message>
    <message>
        <source>Save files with the same content only &amp;once</source>
        <translation>Guardar solo &amp;una vez los archivos con el mismo contenido</translation>
    </message>
    <message>
        <source>The selected files need %1, but only %2 is free in that folder.</source>
        <translation>Los archivos seleccionados necesitan %1, pero en esa carpeta solo quedan %2 libres.</translation>
    </message>
    <message>
        <source>The selected files need %1, but only %2 is free in the cache folder.</source>
        <translation>Los archivos seleccionados necesitan %1, pero en la carpeta de la caché solo quedan %2 libres.</translation>
    </message>
    <message>
        <source>The selected files need %1, but only %2 is left on the disc.</source>
        <translation>Los archivos seleccionados necesitan %1, pero en el disco solo quedan %2.</translation>
    </message>
    <message>
        <source>Room left on the disc: %1 (the selected files need %2)</source>
        <translation>Espacio restante en el disco: %1 (los archivos seleccionados necesitan %2)</translation>
    </message>
    <message>
        <source>Free space there: %1 (the selected files need %2)</source>
        <translation>Espacio libre en esa ubicación: %1 (los archivos seleccionados necesitan %2)</translation>
    </message>
    <message>
        <source>%1 free</source>
        <translation>%1 libres</translation>
    </message>
    <message>
        <source>Start anyway?</source>
        <translation>¿Iniciar de todos modos?</translation>
    </message>
    <message>
        <source>Not enough room</source>
        <translation>Espacio insuficiente</translation>
    </message>
    <message>
        <source>Copy the card to an image first (for a card that fails or is slow)</source>
        <translation>Copiar primero la tarjeta a una imagen (para una tarjeta que falla o es lenta)</translation>
    </message>
    <message>
        <source>A scan of this medium stopped at %1 % before its end.
Go on from there, with the file types it was looking for? No starts the scan over.</source>
        <translation>Un análisis de este medio se detuvo en el %1 % antes de terminar.
¿Continuar desde ahí, con los tipos de archivo que buscaba? No vuelve a empezar el análisis.</translation>
    </message>
    <message>
        <source>Save the card's image as</source>
        <translation>Guardar la imagen de la tarjeta como</translation>
    </message>
    <message>
        <source>The map %1 cannot be used (%2); the scan counts every sector of the image as read.</source>
        <translation>El mapa %1 no se puede usar (%2); el análisis da por leído cada sector de la imagen.</translation>
    </message>
    <message>
        <source>Copying the card to an image</source>
        <translation>Copiando la tarjeta a una imagen</translation>
    </message>
    <message>
        <source>From: %1</source>
        <translation>De: %1</translation>
    </message>
    <message>
        <source>To: %1</source>
        <translation>A: %1</translation>
    </message>
    <message>
        <source>Copy progress</source>
        <translation>Progreso de la copia</translation>
    </message>
    <message>
        <source>Rescue map</source>
        <translation>Mapa de rescate</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Copiado</translation>
    </message>
    <message>
        <source>Bad</source>
        <translation>Dañado</translation>
    </message>
    <message>
        <source>Not yet tried</source>
        <translation>Aún no intentado</translation>
    </message>
    <message>
        <source>Rescued: %1 of %2 (%3 %)</source>
        <translation>Rescatado: %1 de %2 (%3 %)</translation>
    </message>
    <message>
        <source>Bad areas: %1 (%2 bytes)</source>
        <translation>Zonas dañadas: %1 (%2 bytes)</translation>
    </message>
    <message>
        <source>Rate: %1/s</source>
        <translation>Velocidad: %1/s</translation>
    </message>
    <message>
        <source>Since the last good read: %1</source>
        <translation>Desde la última lectura correcta: %1</translation>
    </message>
    <message>
        <source>Do you want to stop the copy? The image and its map are kept, and the copy can go on later.</source>
        <translation>¿Desea detener la copia? La imagen y su mapa se conservan, y la copia puede continuar más tarde.</translation>
    </message>
    <message>
        <source>The copy was stopped. The image and its map are kept: tick the copy box again and choose the same image to go on where it stopped, or open the image to recover from what was copied.</source>
        <translation>La copia se detuvo. La imagen y su mapa se conservan: marque de nuevo la casilla de copia y elija la misma imagen para continuar donde se detuvo, o abra la imagen para recuperar a partir de lo copiado.</translation>
    </message>
    <message>
        <source>What are you looking for?</source>
        <translation>¿Qué está buscando?</translation>
    </message>
    <message>
        <source>Tick the kinds of files to find. Fewer types make the scan quicker.</source>
        <translation>Marque los tipos de archivo que busca. Con menos tipos, el análisis es más rápido.</translation>
    </message>
    <message>
        <source>photo and video recovery</source>
        <translation>recuperación de fotos y vídeos</translation>
    </message>
    <message>
        <source>Home folder</source>
        <translation>Carpeta personal</translation>
    </message>
    <message>
        <source>Time left: not known yet</source>
        <translation>Tiempo restante: aún desconocido</translation>
    </message>
    <message>
        <source>Time left: %1</source>
        <translation>Tiempo restante: %1</translation>
    </message>
    <message>
        <source>Time left: %1 and the bad areas</source>
        <translation>Tiempo restante: %1 más las zonas dañadas</translation>
    </message>
</context>
</TS>
