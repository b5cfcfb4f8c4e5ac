// The save job: writes the ticked files of the catalogue into a folder chosen
// by the user, as plain files in a folder tree or packed into zip archives.
//
// Output, for the job name "Tarvolin 14.05.09" and the destination DIR:
//   plain:       DIR/Tarvolin 14.05.09/JPG/file# 12.JPG, one folder per type
//   compressed:  DIR/Tarvolin 14.05.09.zip, or DIR/Tarvolin 14.05.09 part1.zip,
//                part2.zip, ... when the selected data is above the archive
//                size limit; the files are staged in the job folder and each
//                staging copy is deleted once it is in the archive.
// Entry names inside the archives are the paths below DIR
// ("Tarvolin 14.05.09/JPG/file# 12.JPG"), one folder entry per file.
//
// The job never changes the process's current directory: it keeps the type
// directory it has entered in its own state and hands it to the extraction.
#pragma once

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/job_outcome.h"
#include "app/report.h"
#include "output/output_context.h"
#include "catalog/directory_tree.h"
#include "disk/on_source.h"
#include "output/extract.h"
#include "output/save_names.h"
#include "output/zip_writer.h"

namespace tvn {

// 95 % of 4 GiB: selected data above it starts with part 1, and a part whose
// added sizes go above it is closed.
inline constexpr ULONGLONG kArchiveSizeLimit = 0xF3333333;  // 4,080,218,931
// An archive is written under its name with this ending, and renamed when whole.
inline constexpr const char* kArchiveTempSuffix = ".partial";

// "Tarvolin %02u.%02u.%02u" with the hour, minute and second of t.
std::string FormatJobName(const std::tm& t);
// The job name for the current local time.
std::string JobNameNow();

// A job name under which nothing exists yet in destinationDir: name itself,
// or "name (2)", "name (3)", ... A name is taken when a folder or file of
// that name, its single archive (name + ".zip") or one of its parts
// (name + " part..." ) is there, so earlier output is never written into.
std::string FreeJobName(const std::string& destinationDir, const std::string& name);

// Sum of the sizes of the ticked file nodes.
ULONGLONG SelectedBytes(const CDirectoryTree& tree);

class CSaveJob : public ISaveTarget {
public:
    // Writes a found file into a directory: the file node's Save.
    using Extractor =
        std::function<ExtractResult(const OutputContext&, CFileNode&, const std::string& dir, IReporter&)>;

    // What the job did for one type folder.
    struct TypeResult {
        uint64_t saved = 0;  // files written (plain) or added to an archive
        uint64_t bytes = 0;  // their sizes as written
    };

    // Reads the settings' destination, jobName (formed from the current
    // time when empty; made free in the destination, see FreeJobName, and
    // written back), compress and layout, the catalogue, the current disk
    // source and the job control.
    CSaveJob(const OutputContext& out, IReporter& reporter);

    // Selected data for the percentage and the single-or-parts choice;
    // SelectedBytes(tree) when not set.
    void SetSelectedBytes(ULONGLONG bytes) { m_selected = bytes; }
    // For tests: a smaller archive size limit, the extraction step, and the
    // entry limit of the archives the job creates.
    void SetArchiveSizeLimit(ULONGLONG limit) { m_limit = limit; }
    void SetExtractor(Extractor extractor) { m_extract = std::move(extractor); }
    void SetArchiveEntryLimit(uint32_t limit) { m_entryLimit = limit; }

    // Saves only the ticked files among these: a save that goes on at
    // another destination with what an earlier one could not save. Every
    // ticked file when not called.
    void SetOnly(std::set<const CFileNode*> files) {
        m_only = std::move(files);
        m_onlyGiven = true;
    }
    // What earlier parts of the same save put elsewhere (files saved, and
    // where): the end of this part counts them too.
    void SetEarlierPart(uint64_t saved, std::string where) {
        m_earlierSaved = saved;
        m_earlierWhere = std::move(where);
    }

    // The worker: the whole job. Refused when it did not start (the message
    // says why; the front end shows it, as every end of the job); Stopped when the run flag was
    // cleared; Failed when a file could not be saved, archived or flushed to
    // the destination; Completed only when every ticked file is on the
    // destination and flushed there. done counts the files saved (or put into
    // an archive), failed those that were not; the message says so and where
    // the output went.
    JobOutcome Run();

    // ISaveTarget: the folder's Save enters its type directory; the file's
    // Save writes the found file into the directory entered.
    void SaveFolder(CFolderNode& folder) override;
    void SaveFile(CFileNode& file) override;

    // Results, for the front end.
    const std::string& GetJobFolder() const { return m_jobFolder; }
    const std::vector<std::string>& GetArchives() const { return m_archives; }
    const std::map<std::string, TypeResult>& GetResults() const { return m_results; }
    // Files that could not be put into an archive; their staging copies were
    // kept in the job folder.
    uint64_t GetUnarchivedCount() const { return m_unarchived; }
    bool WasStopped() const { return m_stopped; }
    // The save stopped by itself because its destination could take no
    // more files (full, over quota, read-only).
    bool StoppedByDestination() const { return m_destinationHalt; }
    // The ticked files the job was to save that are not on the destination
    // (neither saved, nor left out as a duplicate or by rule), in the
    // catalogue's order. Valid after Run.
    std::vector<CFileNode*> GetUnsaved() const;
    // Where the files went: the job folder or the archives, after the places
    // of the earlier parts. Valid after Run.
    const std::string& GetOutputPlace() const { return m_where; }
    // Sectors of the saved files that could not be read (zeros in the files),
    // and a note per such file.
    uint64_t GetUnreadableSectors() const { return m_unreadable; }
    // Files left out because a file of the same content was saved before.
    uint64_t GetDuplicatesSkipped() const { return m_duplicates; }
    const std::vector<std::string>& GetNotes() const { return m_notes; }
    // Files saved cut to their first 1 MB by the window rules (carved files
    // above 50 MB of the types that may be cut), by name.
    const std::vector<std::string>& GetCutFiles() const { return m_cut; }

private:
    void SaveOne(CFolderNode& folder, CFileNode& file);
    void NotSaved(const CFileNode& file, const ExtractResult& r);
    // After a file was written to path: true when it is a duplicate (removed);
    // otherwise sets its time and moves it where the layout puts it (path
    // follows it).
    bool SkipOrPlace(CFileNode& file, std::string& path);
    void Finish(JobOutcome& outcome);
    // Closes the open archive and creates the next one: the single archive,
    // or part m_part.
    void OpenArchive(bool part);
    void CloseArchive();
    ZipResult AddToArchive(const std::function<ZipResult(CZipWriter*)>& add);
    void ReportProgress(ULONGLONG size);
    void RemoveStaging();
    static bool RenameNoReplace(const std::string& from, const std::string& to);
    std::string EntryName(const std::string& path) const;

    OutputContext m_out;
    IReporter& m_reporter;
    Extractor m_extract;
    std::optional<ULONGLONG> m_selected;
    ULONGLONG m_limit = kArchiveSizeLimit;
    uint32_t m_entryLimit = kZipMaxEntries;

    std::string m_source;      // the medium being recovered
    std::string m_destPrefix;  // the chosen directory with a closing "/"
    std::string m_savePath;    // destination + "/" + job name + "/"
    std::string m_jobFolder;   // destination + "/" + job name
    std::string m_currentDir;  // the type directory entered last
    ExtractResult m_lastExtract;  // what the last file's Save did
    bool m_jobFolderCreated = false;
    std::set<std::string> m_createdDirs;  // type directories this job made

    std::unique_ptr<CZipWriter> m_zip;
    unsigned m_part = 1;
    ULONGLONG m_partSize = 0;
    std::vector<std::string> m_archives;
    uint64_t m_unarchived = 0;
    uint64_t m_inArchive = 0;  // files added to the open archive
    std::string m_archiveFinal;  // the open archive's final name (it is written as "….partial")
    // The staging copies of the files in the open archive: deleted only once
    // the archive has its final name.
    std::vector<std::string> m_stagedInArchive;

    uint64_t m_saved = 0;
    uint64_t m_failed = 0;
    uint64_t m_lost = 0;  // files not saved because the medium was gone
    // Why the save stopped by itself: the medium went away, or the
    // destination is full or read-only. Every later file would fail the same
    // way, so the save ends at the first; empty while it goes on.
    std::string m_halt;
    std::string m_haltText;  // the same as a text of the program and its values
    std::vector<std::string> m_haltValues;
    uint64_t m_dropped = 0;    // files left out by rule (MP3 files too short to be music)
    uint64_t m_ticked = 0;     // ticked files of the catalogue
    uint64_t m_processed = 0;  // ticked files the save has come to
    uint64_t m_unreadable = 0;
    uint64_t m_duplicates = 0;
    CDuplicateIndex m_duplicateIndex;
    bool m_windowsNames = false;
    std::vector<std::string> m_notes;
    std::vector<std::string> m_cut;
    std::vector<std::string> m_errors;

    ULONGLONG m_total = 0;
    std::map<std::string, TypeResult> m_results;
    bool m_stopped = false;

    // The files to save, when limited (SetOnly), and the earlier parts.
    std::set<const CFileNode*> m_only;
    bool m_onlyGiven = false;
    uint64_t m_earlierSaved = 0;
    std::string m_earlierWhere;
    // Every ticked file the job was to save, and those that are done with:
    // saved, skipped as a duplicate or left out by rule. A file in an
    // archive is done once its archive is whole.
    std::vector<CFileNode*> m_given;
    std::set<const CFileNode*> m_done;
    std::vector<const CFileNode*> m_inOpenArchive;
    bool m_destinationHalt = false;
    std::string m_where;
};

}  // namespace tvn
