#pragma once
// What the objects of one session share: the profile's services as
// directories, and the address book's default directory and search path.

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "directory.h"
#include "pdx/interfaces.h"

namespace mapi32 {

class BookState : public std::enable_shared_from_this<BookState> {
public:
    BookState(std::string profile, std::vector<std::shared_ptr<Directory>> directories)
        : profile_(std::move(profile)), directories_(std::move(directories)) {}

    const std::string& profile() const { return profile_; }
    const std::vector<std::shared_ptr<Directory>>& directories() const { return directories_; }
    // The service whose UID the identifier carries; null for none of ours.
    std::shared_ptr<Directory> directoryOf(std::string_view id) const;

    // OpenEntry of the address book and its containers: no identifier is the root.
    pdx::HRESULT open(std::string_view id, pdx::ULONG* objectType, pdx::IUnknown** out);

    // The default directory (a service container): the chosen one, else the first.
    std::string defaultDir() const;
    pdx::HRESULT setDefaultDir(std::string_view id);
    // The containers searched for names: the chosen ones, else every service's.
    std::vector<std::string> searchPath() const;
    pdx::HRESULT setSearchPath(std::vector<std::string> ids);
    bool isContainer(std::string_view id) const;

private:
    std::string profile_;
    std::vector<std::shared_ptr<Directory>> directories_;
    mutable std::mutex lock_;
    std::string defaultDir_;
    std::vector<std::string> searchPath_;
};

} // namespace mapi32
