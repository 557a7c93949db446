#include <gtest/gtest.h>

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "luabridge/LuaException.h"

namespace {

// The DT_NEEDED entries of an ELF64 shared object, read from its section headers.
std::vector<std::string> neededLibraries(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> image{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<std::string> needed;
    if (image.size() < sizeof(Elf64_Ehdr)) {
        return needed;
    }
    Elf64_Ehdr header;
    std::memcpy(&header, image.data(), sizeof header);
    for (int i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr section;
        std::memcpy(&section, image.data() + header.e_shoff + i * sizeof(Elf64_Shdr), sizeof section);
        if (section.sh_type != SHT_DYNAMIC) {
            continue;
        }
        Elf64_Shdr strings;
        std::memcpy(&strings, image.data() + header.e_shoff + section.sh_link * sizeof(Elf64_Shdr),
                    sizeof strings);
        for (std::size_t offset = 0; offset + sizeof(Elf64_Dyn) <= section.sh_size;
             offset += sizeof(Elf64_Dyn)) {
            Elf64_Dyn entry;
            std::memcpy(&entry, image.data() + section.sh_offset + offset, sizeof entry);
            if (entry.d_tag == DT_NEEDED) {
                needed.emplace_back(image.data() + strings.sh_offset + entry.d_un.d_val);
            }
        }
    }
    return needed;
}

int findLoaded(dl_phdr_info* info, std::size_t, void* names)
{
    static_cast<std::vector<std::string>*>(names)->emplace_back(info->dlpi_name);
    return 0;
}

bool contains(const std::vector<std::string>& names, const std::string& wanted)
{
    for (const std::string& name : names) {
        if (name == wanted || name.ends_with("/" + wanted)) {
            return true;
        }
    }
    return false;
}

TEST(Link, EngineNeedsTheCppBuildOfLuaOnly)
{
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&luabridge::liveReferenceCount), &info), 0);
    ASSERT_NE(std::string(info.dli_fname).find("libEngine.so"), std::string::npos) << info.dli_fname;
    const std::vector<std::string> needed = neededLibraries(info.dli_fname);
    EXPECT_TRUE(contains(needed, "liblua5.3-c++.so.0"));
    EXPECT_FALSE(contains(needed, "liblua5.3.so.0"));

    std::vector<std::string> loaded;
    dl_iterate_phdr(&findLoaded, &loaded);
    EXPECT_TRUE(contains(loaded, "liblua5.3-c++.so.0"));
    EXPECT_FALSE(contains(loaded, "liblua5.3.so.0"));
}

} // namespace
