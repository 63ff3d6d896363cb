// NS::Pipe and NS::FileHandle: a one-way channel between processes, and an owned descriptor.
//
// Both ends are close-on-exec, so a program that another thread starts at the same moment
// does not inherit a writer and hold the reader's end of file back.
#pragma once

#include "foundation/Data.h"

namespace NS {

class FileHandle : public objc::Object {
public:
    // Takes over the descriptor: the handle closes it on closeFile() or when it dies.
    // A negative descriptor gives a closed handle.
    static objc::Ref<FileHandle> initWithFileDescriptor(int fd);

    // -1 once closed.
    int fileDescriptor() const { return m_fd; }
    // Reads until every writer has closed the other end, retrying interrupted reads. What
    // was read before an error is kept; a closed handle reads as empty data.
    objc::Ref<Data> readDataToEndOfFile();
    void closeFile();

protected:
    explicit FileHandle(int fd);
    ~FileHandle() override;

private:
    int m_fd;
};

class Pipe : public objc::Object {
public:
    // When the system refuses a pipe (no descriptors left), both handles are closed ones:
    // reading gives empty data and a task refuses to launch with it.
    static objc::Ref<Pipe> pipe();

    objc::Ref<FileHandle> fileHandleForReading() const { return m_reading; }
    objc::Ref<FileHandle> fileHandleForWriting() const { return m_writing; }

private:
    Pipe(objc::Ref<FileHandle> reading, objc::Ref<FileHandle> writing);
    objc::Ref<FileHandle> m_reading;
    objc::Ref<FileHandle> m_writing;
};

} // namespace NS
