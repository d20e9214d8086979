#pragma once
#include <array>

// The word tables the fixture data is composed from. Plain data, no logic.
namespace FixtureTables {

struct CategoryRow { const char *id; const char *name; const char *topic; };
struct ChannelRow {
    const char *name;
    const char *handle; // empty: the channel has no handle
    int category;       // index into categories (1.. for real categories)
    std::array<const char *, 4> subjects;
};
struct ReleaseRow { const char *version; const char *title; const char *date; const char *changes; };

extern const std::array<CategoryRow, 9> categories;
extern const std::array<ChannelRow, 24> channels;
extern const std::array<const char *, 10> titleTails;
extern const std::array<const char *, 7> chapterTitles;
extern const std::array<const char *, 16> firstNames;
extern const std::array<const char *, 10> surnames;
extern const std::array<const char *, 18> commentTexts;
extern const char *const uploaderComment;
extern const std::array<const char *, 18> cueTextsEs;
extern const std::array<const char *, 8> cueTextsEn;
extern const std::array<const char *, 6> descriptionEndings;
extern const std::array<const char *, 6> playlistTitles;
extern const std::array<const char *, 6> suggestionTails;
extern const std::array<ReleaseRow, 4> releases;

} // namespace FixtureTables
