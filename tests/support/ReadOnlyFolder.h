#pragma once

#include <QString>

// Makes a folder take no new file, for as long as it lives: its permissions
// lose every write bit and, for a process of the superuser (whom permissions
// do not stop), it is marked immutable as well. `isReadOnly` says whether it
// worked: a file system without the immutable mark leaves a superuser able
// to write.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    bool isReadOnly() const;

private:
    bool setImmutable(bool immutable);

    QString m_path;
    bool m_immutable = false;
};
