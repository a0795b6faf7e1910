#include <filesystem>
#include <iterator>
#include <system_error>

#include "file_io.h"

namespace quarnel::platform {
namespace {

namespace fs = std::filesystem;

bool isInside(const fs::path& path, const fs::path& root) {
    const fs::path relative = path.lexically_relative(root);
    return !relative.empty() && *relative.begin() != "..";
}

// Where a name leads, links followed to their end, also to a file that does
// not exist yet (where a writer following the link would create it).
fs::path leadsTo(fs::path path, std::error_code& error) {
    for (int hops = 0; fs::is_symlink(fs::symlink_status(path, error)); ++hops) {
        if (hops == 40) {
            error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
            return path;
        }
        const fs::path target = fs::read_symlink(path, error);
        if (error) return path;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    error.clear();
    return fs::weakly_canonical(path, error);
}

Result cantPlace(const std::string& name, const std::string& reason) {
    return {Outcome::CantOpen, "Can't create " + name + ": " + reason};
}

}  // namespace

Result fileInsideFolder(const std::string& root, const std::string& relative, bool makeFolders,
                        std::string& target) {
    std::error_code error;
    const fs::path top = fs::weakly_canonical(fs::absolute(filePath(root), error), error);
    if (error) return cantPlace(relative, "the folder " + root + " can't be read: " + error.message());
    const fs::path name = filePath(relative).lexically_normal();
    fs::path at = top;
    auto parts = std::distance(name.begin(), name.end());
    for (const fs::path& part : name) {
        const bool last = --parts == 0;
        const fs::path next = at / part;
        const fs::file_type type = fs::symlink_status(next, error).type();
        if (type == fs::file_type::not_found) {
            if (last || !makeFolders) {
                at = next;
                continue;
            }
            // Made here, inside: never through a link.
            if (!fs::create_directory(next, error) && error)
                return cantPlace(relative, "the folder " + next.string() + " can't be made: " + error.message());
        } else if (error) {
            return cantPlace(relative, next.string() + ": " + error.message());
        }
        const fs::path resolved = leadsTo(next, error);
        if (error) return cantPlace(relative, next.string() + ": " + error.message());
        if (!isInside(resolved, top))
            return cantPlace(relative, next.string() + " is a symbolic link that leads out of " + root + ", to " +
                                           resolved.string());
        if (!last && fs::exists(resolved) && !fs::is_directory(resolved))
            return cantPlace(relative, resolved.string() + " is not a folder");
        at = resolved;
    }
    target = at.string();
    return {};
}

}  // namespace quarnel::platform
