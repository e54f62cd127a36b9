#pragma once

#include "platform/durable_files.h"
#include "platform/file_system.h"
#include "win32/linked_folder_refusal.h"
#include "win32/scoped_handles.h"

namespace ostrilo::win32 {

// Files and folders through the ANSI Win32 calls, paths passed through unchanged.
// Files are changed, and deleted, through a handle that was checked first.
class Win32FileSystem : public platform::FileSystem, public platform::DurableFiles {
public:
    // From then on no link in or at these folders is followed; see LinkedFolderRefusal.
    void RefuseLinksIn(std::vector<std::string> folders, LinkedFolderRefusal::Report report) {
        links_.Guard(std::move(folders), std::move(report));
    }

    bool MakeFolder(const std::string& path) override;
    std::optional<std::string> ReadFileUpTo(const std::string& path, std::size_t maxBytes) override;
    bool AppendAndFlush(const std::string& path, std::string_view bytes) override;
    bool ReplaceWholeFile(const std::string& path, std::string_view bytes) override;
    bool RenameFile(const std::string& from, const std::string& to) override;
    bool AppendToFile(const std::string& path, std::string_view bytes) override;
    std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern) override;
    bool ClearAttributes(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool Exists(const std::string& path) override;

private:
    ScopedFileHandle Open(const std::string& path, DWORD access, DWORD disposition,
                          DWORD flags = FILE_ATTRIBUTE_NORMAL);

    LinkedFolderRefusal links_;
};

}  // namespace ostrilo::win32
