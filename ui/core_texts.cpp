// Texts the windows show that do not pass through Tr() where they are made:
// the core's fixed messages (shown by the message boxes in the user's
// language) and the texts of the processing window, which its labels and
// buttons translate as they show them. Listed here so that the translations
// carry them.
#include "ui/core_texts.h"

#include <QtGlobal>

namespace tvn::ui {

const std::vector<const char*>& TranslatedElsewhere() {
    static const std::vector<const char*> texts = {
        // the core's messages and captions
        QT_TRANSLATE_NOOP("Tarvolin", "Removable drive is disconnected.please reconnect the drive"),
        QT_TRANSLATE_NOOP("Tarvolin", "Removable drive is disconnected.\nplease connect the drive and restart the scanning."),
        QT_TRANSLATE_NOOP("Tarvolin", "Removable drive is disconnected."),
        QT_TRANSLATE_NOOP("Tarvolin", "This is not a valid Tarvolin Scan Information file"),
        QT_TRANSLATE_NOOP("Tarvolin", "Invalid or corrupt scan file"),
        QT_TRANSLATE_NOOP("Tarvolin", "Corrupt scan info file"),
        QT_TRANSLATE_NOOP("Tarvolin", "Checksum failure"),
        QT_TRANSLATE_NOOP("Tarvolin", "can not get the SPC"),
        QT_TRANSLATE_NOOP("Tarvolin", "Failed to open drive"),
        QT_TRANSLATE_NOOP("Tarvolin", "Please insert media and try again."),
        QT_TRANSLATE_NOOP("Tarvolin", "Please insert writable media try again."),
        QT_TRANSLATE_NOOP("Tarvolin", "Please insert higher capacity CD/DVD."),
        QT_TRANSLATE_NOOP("Tarvolin", "Write operation failed"),
        QT_TRANSLATE_NOOP("Tarvolin", "CD/DVD burning operation completed successfully"),
        QT_TRANSLATE_NOOP("Tarvolin", "Device could not be locked"),
        QT_TRANSLATE_NOOP("Tarvolin", "The device could not be unlocked"),
        QT_TRANSLATE_NOOP("Tarvolin", "Invalid Handle"),
        QT_TRANSLATE_NOOP("Tarvolin", "Writing cache"),
        QT_TRANSLATE_NOOP("Tarvolin", "Burning stopped; nothing was written to the disc."),
        QT_TRANSLATE_NOOP("Tarvolin", "No file could be written to the cache; nothing was burnt."),
        QT_TRANSLATE_NOOP("Tarvolin", "The CD/DVD recorder is not ready; nothing was burnt."),
        QT_TRANSLATE_NOOP("Tarvolin", "The disc image could not be built; nothing was burnt."),
        QT_TRANSLATE_NOOP("Tarvolin", "Burning stopped; the disc keeps its earlier sessions."),
        QT_TRANSLATE_NOOP("Tarvolin", "May be file is corrupted or \nPreview is not available for this file format"),
        QT_TRANSLATE_NOOP("Tarvolin", "File size is too large to preview."),
        QT_TRANSLATE_NOOP("Tarvolin", "Can't initialize DirectMusic objects.Ensure you have an audio card device and DirectX 8.0 or "
                                      "above installed in your system."),
        QT_TRANSLATE_NOOP("Tarvolin", "Please ensure that you are not saving data to \nthe same location from where you are "
                                      "recovering.\nSaving data to the same location would result in \npermanent data loss."),
        QT_TRANSLATE_NOOP("Tarvolin", "Please Select File types"),
        QT_TRANSLATE_NOOP("Tarvolin", "Error"),
        QT_TRANSLATE_NOOP("Tarvolin", "Information"),
        QT_TRANSLATE_NOOP("Tarvolin", "The folder holds the image being recovered."),
        QT_TRANSLATE_NOOP("Tarvolin", "No CD/DVD recorder was found on this computer."),
        QT_TRANSLATE_NOOP("Tarvolin", "No CD/DVD recorder was found on this computer. Choose \"Disc image file\" to write an image file instead."),
        QT_TRANSLATE_NOOP("Tarvolin", "CD/DVD burning is not available in this copy of Tarvolin."),
        // the save and burn jobs' end messages, in parts with their values
        QT_TRANSLATE_NOOP("Tarvolin", "%1 sector(s) of %2 file(s) could not be read; they are zeros in the saved files."),
        QT_TRANSLATE_NOOP("Tarvolin", "%1 file(s) above 50 MB were cut to 1 MB: %2."),
        QT_TRANSLATE_NOOP("Tarvolin", "%1 duplicate file(s) skipped (the same content was saved once)."),
        QT_TRANSLATE_NOOP("Tarvolin", "%1 file(s) saved, %2 file(s) not saved."),
        QT_TRANSLATE_NOOP("Tarvolin", "Output: %1"),
        QT_TRANSLATE_NOOP("Tarvolin", "Saving stopped. %1 file(s) saved in %2."),
        QT_TRANSLATE_NOOP("Tarvolin", "The save is incomplete: %1 file(s) saved, %2 file(s) not saved."),
        QT_TRANSLATE_NOOP("Tarvolin", "Saving operation completed. %1 file(s) saved in %2."),
        QT_TRANSLATE_NOOP("Tarvolin", "%1 MP3 file(s) were not saved: shorter than 2 KB, too short to be music."),
        QT_TRANSLATE_NOOP("Tarvolin", "The save stopped: Removable drive is disconnected."),
        QT_TRANSLATE_NOOP("Tarvolin", "The save stopped: the destination %1 cannot take more files (%2)."),
        QT_TRANSLATE_NOOP("Tarvolin", "The destination folder %1 does not exist."),
        QT_TRANSLATE_NOOP("Tarvolin", "Burning stopped, but the recorder did not finish in time; the cache folder %1 was kept."),
        QT_TRANSLATE_NOOP("Tarvolin", "%1 file(s) were burnt; %2 could not be written to the cache."),
        // the labels of labelled lines: a drive's details, the found data's totals
        QT_TRANSLATE_NOOP("Tarvolin", "Name"),
        QT_TRANSLATE_NOOP("Tarvolin", "Model Name"),
        QT_TRANSLATE_NOOP("Tarvolin", "Serial Number"),
        QT_TRANSLATE_NOOP("Tarvolin", "Interface Type"),
        QT_TRANSLATE_NOOP("Tarvolin", "Media Type"),
        QT_TRANSLATE_NOOP("Tarvolin", "Size"),
        QT_TRANSLATE_NOOP("Tarvolin", "Total Sectors"),
        QT_TRANSLATE_NOOP("Tarvolin", "Backing File"),
        QT_TRANSLATE_NOOP("Tarvolin", "Total File(s)"),
        QT_TRANSLATE_NOOP("Tarvolin", "Total Folder(s)"),
        QT_TRANSLATE_NOOP("Tarvolin", "Total Data"),
        QT_TRANSLATE_NOOP("Tarvolin", "Selected File(s)"),
        QT_TRANSLATE_NOOP("Tarvolin", "Selected Folder(s)"),
        QT_TRANSLATE_NOOP("Tarvolin", "Selected Data"),
        // the processing window
        QT_TRANSLATE_NOOP("Tarvolin", "Status"),
        QT_TRANSLATE_NOOP("Tarvolin", "Source Drive :"),
        QT_TRANSLATE_NOOP("Tarvolin", "Last File Found : "),
        QT_TRANSLATE_NOOP("Tarvolin", "No. of files found :"),
        QT_TRANSLATE_NOOP("Tarvolin", "Time Elapsed"),
        QT_TRANSLATE_NOOP("Tarvolin", "none"),
        QT_TRANSLATE_NOOP("Tarvolin", "&Pause"),
        QT_TRANSLATE_NOOP("Tarvolin", "&Resume"),
        QT_TRANSLATE_NOOP("Tarvolin", "&Stop"),
        QT_TRANSLATE_NOOP("Tarvolin", "Please wait, scanning might take several seconds to few hours. Estimated scan time depends on \n"
                                      "selected media (size, speed and physical condition of storage media)."),
        QT_TRANSLATE_NOOP("Tarvolin", "Please wait, saving data. It may take several seconds to few hours. Estimated time to save data\n"
                                      "depends upon data selected, speed and physical condition of destination disk drive."),
        QT_TRANSLATE_NOOP("Tarvolin", "Please wait, Orvane Tarvolin is buring data to CD/DVD. This process might take few\n"
                                      "minutes to complete."),
        QT_TRANSLATE_NOOP("Tarvolin", "At any instance you can press [Stop] button to stop the scan."),
        QT_TRANSLATE_NOOP("Tarvolin", "At any instance press [Stop] button to stop this operation."),
        QT_TRANSLATE_NOOP("Tarvolin", "You can click the [stop] button at any instance to stop the burning process."),
        QT_TRANSLATE_NOOP("Tarvolin", "Scanning is in progress"),
        QT_TRANSLATE_NOOP("Tarvolin", "Saving is in progress"),
        QT_TRANSLATE_NOOP("Tarvolin", "Compressing and saving data"),
        QT_TRANSLATE_NOOP("Tarvolin", "Burning data"),
        QT_TRANSLATE_NOOP("Tarvolin", "Burning compressed data"),
        QT_TRANSLATE_NOOP("Tarvolin", "Last File Saved : "),
        QT_TRANSLATE_NOOP("Tarvolin", "No. of files saved :"),
        QT_TRANSLATE_NOOP("Tarvolin", "Saving Path :"),
        QT_TRANSLATE_NOOP("Tarvolin", "Stopping..."),
        QT_TRANSLATE_NOOP("Tarvolin", "Confirm"),
        QT_TRANSLATE_NOOP("Tarvolin", "Do you want to stop the scanning process?"),
        QT_TRANSLATE_NOOP("Tarvolin", "Do you want to stop saving process?"),
        QT_TRANSLATE_NOOP("Tarvolin", "Do you want to stop CD/DVD burning process?"),
        QT_TRANSLATE_NOOP("Tarvolin", "Scanning Process completed Successfully."),
        QT_TRANSLATE_NOOP("Tarvolin", "Scanning process aborted."),
        QT_TRANSLATE_NOOP("Tarvolin", "Saving operation completed successfully"),
        QT_TRANSLATE_NOOP("Tarvolin", "Compressed saving operation completed.\nYou would need unzip tool to decompress recovered archive(s)."),
        QT_TRANSLATE_NOOP("Tarvolin", "Saving operation completed"),
        QT_TRANSLATE_NOOP("Tarvolin", "Saving process Aborted"),
        QT_TRANSLATE_NOOP("Tarvolin", "CD/DVD Burning process Aborted"),
        QT_TRANSLATE_NOOP("Tarvolin", "Burning operation completed. Finalizing optical media"),
        QT_TRANSLATE_NOOP("Tarvolin", "Please stop the current process"),
        QT_TRANSLATE_NOOP("Tarvolin", "The job ended with an error."),
        QT_TRANSLATE_NOOP("Tarvolin", "There is no job to run."),
    };
    return texts;
}

}  // namespace tvn::ui
