#pragma once
// The recent-file list: four entries, most recent first, kept in the user's settings.

#include <QString>
#include <QStringList>

namespace pm {

class RecentFileList {
  public:
    /** The list is at most this long. */
    static constexpr int kSize = 4;

    /** Reads the list from the user's settings. */
    void Load();
    /** Puts path first (moving it up when already listed) and stores the list. */
    void Add(const QString& path);
    /** Drops entry index (0 first) and stores the list. */
    void Remove(int index);
    /** The entries, most recent first. */
    [[nodiscard]] const QStringList& Entries() const { return entries_; }

  private:
    void Store() const;

    bool loaded_ = false;
    QStringList entries_;
};

}  // namespace pm
