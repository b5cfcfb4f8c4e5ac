#include "output/save_job.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "disk/disk_source.h"
#include "output/extract.h"
#include "output/save_names.h"

namespace tvn {

namespace fs = std::filesystem;

std::string FormatJobName(const std::tm& t) {
    return fmt::format("Tarvolin {:02}.{:02}.{:02}", static_cast<unsigned>(t.tm_hour),
                       static_cast<unsigned>(t.tm_min), static_cast<unsigned>(t.tm_sec));
}

std::string JobNameNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return FormatJobName(local);
}

std::string FreeJobName(const std::string& destinationDir, const std::string& name) {
    std::set<std::string> present;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(destinationDir, ec)) {
        present.insert(e.path().filename().string());
    }
    const auto taken = [&present](const std::string& candidate) {
        if (present.count(candidate) || present.count(candidate + ".zip") ||
            present.count(candidate + ".zip" + kArchiveTempSuffix))
            return true;
        const std::string part = candidate + " part";
        const auto it = present.lower_bound(part);
        return it != present.end() && it->compare(0, part.size(), part) == 0;
    };
    std::string candidate = name;
    for (unsigned n = 2; taken(candidate); ++n) candidate = fmt::format("{} ({})", name, n);
    return candidate;
}

ULONGLONG SelectedBytes(const CDirectoryTree& tree) {
    ULONGLONG sum = 0;
    for (CFolderNode* f = tree.GetFirstFolder(); f; f = f->GetNextFolder()) {
        for (CFileNode* n = f->GetFirstChild(); n; n = n->GetNextFile()) {
            if (n->IsChecked()) sum += n->GetSize();
        }
    }
    return sum;
}

// --- the job ------------------------------------------------------------------

CSaveJob::CSaveJob(const OutputContext& out, IReporter& reporter)
    : m_out(out),
      m_reporter(reporter),
      m_extract([](const OutputContext& o, CFileNode& node, const std::string& dir, IReporter& r) {
          return SaveFileNode(o, node, dir, r);
      }) {}

JobOutcome CSaveJob::Run() {
    JobOutcome outcome;
    // The front end shows the end of the job, refusals included: the job
    // only says why.
    const auto refuse = [&](const std::string& text) {
        outcome.result = JobResult::Refused;
        outcome.message = text;
        outcome.AddError(text);
        return outcome;
    };
    m_stopped = false;
    m_out.readHealth.Reset(m_out.readHealth.Limits());
    if (m_out.settings.jobName.empty()) m_out.settings.jobName = JobNameNow();

    std::string dest = m_out.settings.destination;
    while (dest.size() > 1 && dest.back() == '/') dest.pop_back();
    // Nothing may be written to the medium being recovered.
    m_source = m_out.source.diskSource ? m_out.source.diskSource->GetDrive() : m_out.source.selectedDrive;
    if (const std::string refusal = WriteOnSourceRefusal(dest, m_source); !refusal.empty()) {
        return refuse(refusal);
    }
    struct stat st {};
    if (dest.empty() || ::stat(dest.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        refuse(JobOutcome::Fill("The destination folder %1 does not exist.", {dest}));
        outcome.parts = {{"", "The destination folder %1 does not exist.", {dest}}};
        return outcome;
    }

    // The job folder is always a new one: two jobs started in the same second
    // (or at the same time of another day) never write into each other.
    m_destPrefix = dest == "/" ? dest : dest + "/";
    const std::string wanted = m_out.settings.jobName;
    for (int attempt = 0;; ++attempt) {
        m_out.settings.jobName = FreeJobName(dest, wanted);
        m_jobFolder = m_destPrefix + m_out.settings.jobName;
        if (::mkdir(m_jobFolder.c_str(), 0777) == 0) break;
        if (errno != EEXIST || attempt >= 100) {
            return refuse(fmt::format("Cannot create the folder {}: {}", m_jobFolder,
                                      std::strerror(errno)));
        }
    }
    m_jobFolderCreated = true;
    m_windowsNames = DestinationNeedsWindowsNames(m_jobFolder);
    m_savePath = m_jobFolder + "/";
    m_currentDir = m_jobFolder;

    // The files to save: the ticked ones (of those given, when limited).
    const auto toSave = [this](const CFileNode* file) {
        return file->IsChecked() && (!m_onlyGiven || m_only.count(file) != 0);
    };
    ULONGLONG givenBytes = 0;
    for (CFolderNode* folder = m_out.tree.GetFirstFolder(); folder; folder = folder->GetNextFolder()) {
        for (CFileNode* file = folder->GetFirstChild(); file; file = file->GetNextFile()) {
            if (!toSave(file)) continue;
            m_given.push_back(file);
            givenBytes += file->GetSize();
        }
    }
    m_ticked = m_given.size();
    if (!m_selected) m_selected = givenBytes;

    const bool compress = m_out.settings.compress;
    if (compress) {
        // Staged files leave for their archive: each is hashed while it is there.
        m_duplicateIndex.HashEveryFile();
        OpenArchive(*m_selected > m_limit);
    }

    CJobControl& job = m_out.job;
    for (CFolderNode* folder = m_out.tree.GetFirstFolder(); folder && !m_stopped && m_halt.empty();
         folder = folder->GetNextFolder()) {
        if (!job.Poll()) {
            m_stopped = true;
            break;
        }
        for (CFileNode* file = folder->GetFirstChild(); file; file = file->GetNextFile()) {
            if (!job.Poll()) {
                m_stopped = true;
                break;
            }
            if (toSave(file)) SaveOne(*folder, *file);
            if (!m_halt.empty()) break;
        }
    }
    // The files the save did not come to are not saved either.
    if (!m_halt.empty()) m_failed += m_ticked - std::min(m_ticked, m_processed);

    if (compress) {
        CloseArchive();
        RemoveStaging();
        // Files that could not be archived are named in the outcome's errors
        // and counted as not saved; the end message says where they were kept.
    }
    if (!compress) {
        // Type folders whose files all went to their original folders.
        for (const std::string& dir : m_createdDirs) ::rmdir(dir.c_str());
    }
    if (!job.IsRunning()) m_stopped = true;
    Finish(outcome);
    if (!m_stopped) m_reporter.Finished();
    return outcome;
}

void CSaveJob::Finish(JobOutcome& outcome) {
    // Nothing counts as saved before it is on the destination: one flush of
    // the destination's file system writes the files, their folders and the
    // archives out.
    std::string where = m_out.settings.compress ? "" : m_jobFolder;
    if (m_out.settings.compress) {
        for (const std::string& a : m_archives) where += (where.empty() ? "" : ", ") + a;
        if (m_unarchived > 0) where += (where.empty() ? "" : ", ") + m_jobFolder;
        if (where.empty()) where = m_destPrefix;
    }
    // A save that went on here after an earlier destination filled up: its
    // end counts both parts.
    if (!m_earlierWhere.empty()) where = m_earlierWhere + ", " + where;
    m_where = where;
    const int fd = ::open(m_destPrefix.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flushError = 0;
    if (fd < 0) {
        flushError = errno;
    } else {
        if (::syncfs(fd) != 0) flushError = errno;
        ::close(fd);
    }
    if (flushError != 0 && m_saved > 0) {
        const std::string text = fmt::format("The destination {} could not be flushed: {}",
                                             m_destPrefix, std::strerror(flushError));
        m_reporter.Console(text + "\n");
        m_errors.insert(m_errors.begin(), text);
        // What was written may not be on the destination.
        m_failed += m_saved;
        m_saved = 0;
        m_done.clear();
    }
    m_saved += m_earlierSaved;

    outcome.done = m_saved;
    outcome.failed = m_failed;
    for (const std::string& e : m_errors) outcome.AddError(e);
    for (const std::string& n : m_notes) outcome.AddError(n);
    for (const std::string& n : m_cut) outcome.AddError(n + ": cut to 1 MB");
    // The message in parts, each a fixed text with its values, so that a
    // front end can show it in the user's language; the notes below go
    // after the sentence that ends the save.
    const std::string saved = std::to_string(m_saved);
    const std::string failed = std::to_string(m_failed);
    const auto notes = [&] {
        if (m_unreadable > 0) {
            outcome.Say("%1 sector(s) of %2 file(s) could not be read; they are zeros in the saved files.",
                        {std::to_string(m_unreadable), std::to_string(m_notes.size())}, "\n");
        }
        // A file cut to its first 1 MB is not the whole file: the save says
        // so and is no clean success.
        if (!m_cut.empty()) {
            outcome.Say("%1 file(s) above 50 MB were cut to 1 MB: %2.",
                        {std::to_string(m_cut.size()), m_cut.front() + (m_cut.size() > 1 ? ", ..." : "")},
                        "\n");
        }
        if (m_duplicates > 0) {
            outcome.Say("%1 duplicate file(s) skipped (the same content was saved once).",
                        {std::to_string(m_duplicates)}, "\n");
        }
    };
    outcome.message.clear();
    outcome.parts.clear();
    if (!m_halt.empty()) {
        outcome.result = JobResult::Failed;
        outcome.Say(m_haltText, m_haltValues);
        outcome.Say("%1 file(s) saved, %2 file(s) not saved.", {saved, failed}, "\n");
        outcome.Say("Output: %1", {where}, "\n");
        notes();
    } else if (m_stopped) {
        outcome.result = JobResult::Stopped;
        outcome.Say("Saving stopped. %1 file(s) saved in %2.", {saved, where});
        notes();
    } else if (m_failed > 0) {
        outcome.result = JobResult::Failed;
        outcome.Say("The save is incomplete: %1 file(s) saved, %2 file(s) not saved.", {saved, failed});
        outcome.Say("Output: %1", {where}, "\n");
        if (m_lost > 0) outcome.Say("Removable drive is disconnected.", {}, "\n");
        notes();
    } else if (m_dropped > 0) {
        // Not every ticked file was saved: the completion text would say
        // otherwise, so the files left out are named with the reason.
        outcome.result = JobResult::Completed;
        outcome.Say("Saving operation completed. %1 file(s) saved in %2.", {saved, where});
        outcome.Say("%1 MP3 file(s) were not saved: shorter than 2 KB, too short to be music.",
                    {std::to_string(m_dropped)}, "\n");
        notes();
    } else if (m_unreadable > 0 || m_duplicates > 0 || !m_cut.empty() || m_earlierSaved > 0) {
        outcome.result = JobResult::Completed;
        outcome.Say("Saving operation completed. %1 file(s) saved in %2.", {saved, where});
        notes();
    } else {
        outcome.result = JobResult::Completed;
        outcome.Say(m_out.settings.compress ? "Compressed saving operation completed.\nYou would need unzip "
                                         "tool to decompress recovered archive(s)."
                                       : "Saving operation completed successfully");
    }
}

void CSaveJob::NotSaved(const CFileNode& file, const ExtractResult& r) {
    ++m_failed;
    if (r.mediumLost) ++m_lost;
    // The disconnection has been shown once (by the reading); the files after
    // this one would only show it again.
    if (r.mediumLost) {
        m_haltText = "The save stopped: Removable drive is disconnected.";
        m_haltValues.clear();
    } else if (r.error == ENOSPC || r.error == EDQUOT || r.error == EROFS) {
        m_destinationHalt = true;
        m_haltText = "The save stopped: the destination %1 cannot take more files (%2).";
        m_haltValues = {m_destPrefix, std::strerror(r.error)};
    }
    if (r.mediumLost || m_destinationHalt) m_halt = JobOutcome::Fill(m_haltText, m_haltValues);
    std::string why;
    if (r.mediumLost) {
        why = "Removable drive is disconnected.";
    } else if (r.error != 0) {
        CDiskSource::GetErrorText(why, r.error);
    } else {
        why = "not written";
    }
    m_errors.push_back(fmt::format("{}: not saved ({})", file.GetName(), why));
}

void CSaveJob::SaveFolder(CFolderNode& folder) {
    const std::string dir = m_savePath + folder.GetName();
    if (::mkdir(dir.c_str(), 0777) == 0) {
        m_createdDirs.insert(dir);
        m_currentDir = dir;
        return;
    }
    struct stat st {};
    if (errno == EEXIST && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        m_currentDir = dir;
        return;
    }
    // The files of this folder go where the last folder went.
    m_reporter.Console(fmt::format("Creating folder {} :Error #{}\n", dir, errno));
}

void CSaveJob::SaveFile(CFileNode& file) {
    m_lastExtract = m_extract(m_out, file, m_currentDir, m_reporter);
}

void CSaveJob::SaveOne(CFolderNode& folder, CFileNode& file) {
    ++m_processed;
    TypeResult& result = m_results[folder.GetName()];
    folder.Save(*this);
    ExtractResult r;
    const auto noteCut = [&] {
        if (r.cut) m_cut.push_back(file.GetName());
    };
    const auto noteUnreadable = [&] {
        if (r.unreadableSectors == 0 || !(r.saved || m_out.settings.compress)) return;
        m_unreadable += r.unreadableSectors;
        m_notes.push_back(fmt::format("{}: {} sector(s) could not be read; saved with zeros there",
                                      file.GetName(), r.unreadableSectors));
    };
    if (!m_out.settings.compress) {
        m_reporter.SetLastFileText(file.GetName());
        file.Save(*this);
        r = m_lastExtract;
        struct stat st {};
        std::string written = m_currentDir + "/" + file.GetName();
        if (r.saved && SkipOrPlace(file, written)) {
            // Saved once already under another name.
            m_done.insert(&file);
        } else if (r.saved && ::stat(written.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            m_done.insert(&file);
            ++m_saved;
            ++result.saved;
            result.bytes += static_cast<uint64_t>(st.st_size);
            noteUnreadable();
            noteCut();
        } else if (r.dropped) {
            ++m_dropped;
            m_done.insert(&file);
        } else {
            NotSaved(file, r);
        }
    } else {
        // One folder entry per file: the type directory's path below the
        // destination.
        const bool placed = m_out.settings.layout.byDate ||
                            (m_out.settings.layout.originalNames && file.GetOrigin() != nullptr);
        if (!placed) {
            const std::string folderEntry = EntryName(m_savePath + folder.GetName());
            AddToArchive([&](CZipWriter* zip) { return ZipAddFolder(zip, folderEntry); });
        }
        file.Save(*this);
        r = m_lastExtract;
        m_reporter.SetLastFileText(file.GetName());
        // The archive grows by what this save wrote of the file.
        m_partSize += r.size != 0 ? r.size : file.GetSize();
        if (m_partSize > m_limit) {
            // The file that went past the limit opens the next part and goes
            // into it, without being counted there.
            ++m_part;
            OpenArchive(true);
        }
        std::string staged = m_currentDir + "/" + file.GetName();
        struct stat st {};
        if (r.saved && SkipOrPlace(file, staged)) {
            // Saved once already under another name.
            m_done.insert(&file);
        } else if (r.saved && ::stat(staged.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            if (placed) {
                const std::string dirEntry = EntryName(staged.substr(0, staged.rfind('/')));
                AddToArchive([&](CZipWriter* zip) { return ZipAddFolder(zip, dirEntry); });
            }
            const std::string entry = EntryName(staged);
            const ZipResult z =
                AddToArchive([&](CZipWriter* zip) { return ZipAddFile(zip, entry, staged); });
            if (z == kZipOk) {
                ++m_saved;
                ++m_inArchive;
                ++result.saved;
                result.bytes += static_cast<uint64_t>(st.st_size);
                noteUnreadable();
                noteCut();
                m_stagedInArchive.push_back(staged);
                m_inOpenArchive.push_back(&file);
            } else {
                // Keep the staging copy: it is the only copy of the file.
                ++m_unarchived;
                ++m_failed;
                m_errors.push_back(fmt::format("{}: not put into an archive ({}); kept in {}",
                                               file.GetName(), ZipResultText(z), m_currentDir));
                m_reporter.Console(fmt::format("Archiving {} :{}\n", entry, ZipResultText(z)));
            }
        } else if (r.dropped) {
            ++m_dropped;
            m_done.insert(&file);
        } else {
            NotSaved(file, r);
        }
    }
    const uint64_t counter = m_out.job.FileCounter().fetch_add(1) + 1;
    m_reporter.SetFileCounterText(std::to_string(counter));
    ReportProgress(file.GetSize());
}

std::vector<CFileNode*> CSaveJob::GetUnsaved() const {
    std::vector<CFileNode*> unsaved;
    for (CFileNode* file : m_given) {
        if (m_done.count(file) == 0) unsaved.push_back(file);
    }
    return unsaved;
}

bool CSaveJob::SkipOrPlace(CFileNode& file, std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const SaveLayout& layout = m_out.settings.layout;
    if (layout.skipDuplicates && m_duplicateIndex.SeenBefore(path)) {
        ::unlink(path.c_str());
        ++m_duplicates;
        return true;
    }
    const FileOrigin* origin = file.GetOrigin();
    if (origin != nullptr && origin->modified.known) {
        // The entry's modification time (FAT's local time read in the
        // system's zone).
        struct timespec times[2] = {};
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = static_cast<time_t>(origin->modified.seconds);
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    std::string folder;
    std::string name;
    const bool windowsNames = m_windowsNames;
    if (layout.byDate) {
        const auto date = DateTakenOfFile(path, origin);
        folder = date ? date->Folder() : "undated";
        name = layout.originalNames && origin != nullptr ? SafeNamePart(origin->name, windowsNames)
                                                         : file.GetName();
    } else if (layout.originalNames && origin != nullptr) {
        folder = SafeFolderOf(origin->path, windowsNames);
        name = SafeNamePart(origin->name, windowsNames);
    } else {
        return false;
    }
    // The folders below the job folder, made one by one.
    std::string dir = m_jobFolder;
    size_t begin = 0;
    while (begin < folder.size()) {
        size_t slash = folder.find('/', begin);
        if (slash == std::string::npos) slash = folder.size();
        dir += "/" + folder.substr(begin, slash - begin);
        begin = slash + 1;
        if (::mkdir(dir.c_str(), 0777) == 0) {
            m_createdDirs.insert(dir);
        } else if (errno != EEXIST) {
            m_reporter.Console(fmt::format("Creating folder {} :Error #{}\n", dir, errno));
            return false;  // the file stays where it was written
        }
    }
    for (unsigned n = 1; n < 10000; ++n) {
        const std::string target = dir + "/" + (n == 1 ? name : ClashName(name, n));
        if (target == path) return false;
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
            path = target;
            if (layout.skipDuplicates) m_duplicateIndex.Moved(target);
            return false;
        }
        if (errno == EEXIST) continue;
        if (errno == EINVAL || errno == ENOSYS) {
            // A destination without a no-replace rename: look first.
            struct stat there {};
            if (::lstat(target.c_str(), &there) == 0) continue;
            if (::rename(path.c_str(), target.c_str()) == 0) {
                path = target;
                if (layout.skipDuplicates) m_duplicateIndex.Moved(target);
            }
            return false;
        }
        m_reporter.Console(fmt::format("Renaming {} :Error #{}\n", target, errno));
        return false;
    }
    return false;
}

void CSaveJob::ReportProgress(ULONGLONG size) {
    m_total += size;
    const ULONGLONG selected = m_selected.value_or(0);
    const ULONGLONG hundredth = selected / 100;
    ULONGLONG percent = 100;
    if (hundredth != 0) {
        percent = m_total / hundredth;
    } else if (selected != 0) {
        percent = std::min(m_total, selected) * 100 / selected;
    }
    m_reporter.Progress(std::min<ULONGLONG>(percent, 100));
}

std::string CSaveJob::EntryName(const std::string& path) const {
    return path.rfind(m_destPrefix, 0) == 0 ? path.substr(m_destPrefix.size()) : path;
}

void CSaveJob::OpenArchive(bool part) {
    CloseArchive();
    m_partSize = 0;
    const std::string path =
        part ? fmt::format("{} part{}.zip", m_jobFolder, m_part) : m_jobFolder + ".zip";
    // Never replace the image being recovered, whatever it is called.
    struct stat archive {};
    struct stat source {};
    if (!m_source.empty() && ::stat(path.c_str(), &archive) == 0 &&
        ::stat(m_source.c_str(), &source) == 0 && archive.st_dev == source.st_dev &&
        archive.st_ino == source.st_ino) {
        m_reporter.Console(fmt::format("Creating {} :it is the medium being recovered\n", path));
        return;
    }
    // Written under a name of its own, and given its final name only once
    // its central directory is on the disk: an archive under a final name
    // is always whole, whenever the save is cut short.
    m_zip = CZipWriter::Create(path + kArchiveTempSuffix, true);
    if (!m_zip) {
        m_reporter.Console(fmt::format("Creating {} :Error #{}\n", path, errno));
        return;
    }
    m_archiveFinal = path;
    m_zip->SetEntryLimit(m_entryLimit);
    m_archives.push_back(path);
}

void CSaveJob::CloseArchive() {
    if (!m_zip) return;
    const std::string temp = m_zip->GetPath();
    const std::string path = m_archiveFinal;
    ZipResult r = ZipClose(m_zip);
    std::string why = ZipResultText(r);
    if (r == kZipOk) {
        // On the disk before it takes its name; never over another file.
        const int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
        const bool flushed = fd >= 0 && ::fsync(fd) == 0;
        const int flushError = flushed ? 0 : errno;
        if (fd >= 0) ::close(fd);
        if (!flushed) {
            r = kZipWrite;
            why = std::strerror(flushError);
        } else if (!RenameNoReplace(temp, path)) {
            r = kZipWrite;
            why = std::strerror(errno);
        }
    }
    if (r != kZipOk) {
        m_reporter.Console(fmt::format("Closing {} :{}\n", path, why));
        // An archive that could not be finished is no archive: it goes. The
        // staging copies of its files are kept: they are the only copies.
        ::unlink(temp.c_str());
        m_archives.erase(std::remove(m_archives.begin(), m_archives.end(), path),
                         m_archives.end());
        m_errors.push_back(fmt::format("{}: could not be finished ({}); its {} file(s) were kept in {}",
                                       path, why, m_stagedInArchive.size(), m_jobFolder));
        m_unarchived += m_stagedInArchive.size();
        m_failed += m_stagedInArchive.size();
        m_saved -= std::min<uint64_t>(m_saved, m_stagedInArchive.size());
    } else {
        for (const std::string& staged : m_stagedInArchive) ::unlink(staged.c_str());
        m_done.insert(m_inOpenArchive.begin(), m_inOpenArchive.end());
    }
    m_stagedInArchive.clear();
    m_inOpenArchive.clear();
    m_inArchive = 0;
}

ZipResult CSaveJob::AddToArchive(const std::function<ZipResult(CZipWriter*)>& add) {
    ZipResult r = add(m_zip.get());
    if (r == kZipFull && m_zip && m_zip->GetEntryCount() > 0) {
        // The archive is full (entry count or 32-bit sizes): go on in the
        // next part, as the size limit does.
        ++m_part;
        OpenArchive(true);
        r = add(m_zip.get());
    }
    return r;
}

bool CSaveJob::RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without the flag: the name is checked first.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void CSaveJob::RemoveStaging() {
    std::error_code ec;
    if (m_unarchived == 0) {
        // Everything staged is in the archives: remove what this job made.
        if (m_jobFolderCreated) {
            fs::remove_all(m_jobFolder, ec);
        } else {
            for (const std::string& dir : m_createdDirs) fs::remove_all(dir, ec);
        }
        return;
    }
    // Files that could not be archived stay; only empty folders go.
    for (const std::string& dir : m_createdDirs) ::rmdir(dir.c_str());
    if (m_jobFolderCreated) ::rmdir(m_jobFolder.c_str());
}

}  // namespace tvn
