// The file layer and the two streams on top of it, against real files in a scratch folder.
#include "common/byte_reader.h"
#include "common/file.h"
#include "common/replacing_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/test_files.h"

class FileTest : public ScratchFolderTest {};

TEST_F(FileTest, ReadingNeedsAnExistingFile)
{
    File file("absent.dat", FileMode::readExclusive);
    EXPECT_FALSE(file.isOpen());
    char byte;
    EXPECT_EQ(file.read(&byte, 1), -1);
    EXPECT_FALSE(fileExists("absent.dat"));
}

TEST_F(FileTest, CreatingTruncatesAnExistingFile)
{
    writeFileBytes("out.dat", "old contents");
    {
        File file("out.dat", FileMode::createExclusive);
        ASSERT_TRUE(file.isOpen());
        EXPECT_TRUE(file.write("new"));
    }
    EXPECT_EQ(fileBytes("out.dat"), "new");
}

TEST_F(FileTest, AppendingCreatesThenKeepsAndExtends)
{
    {
        File file("log.dat", FileMode::appendExclusive);
        EXPECT_TRUE(file.write("first"));
    }
    EXPECT_EQ(fileBytes("log.dat"), "first");
    {
        File file("log.dat", FileMode::appendExclusive);
        EXPECT_TRUE(file.write("\r\nsecond"));
    }
    EXPECT_EQ(fileBytes("log.dat"), "first\r\nsecond");
}

TEST_F(FileTest, SizeAndReadOfABinaryFile)
{
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += static_cast<char>(i % 256);
    writeFileBytes("binary.dat", bytes);
    File file("binary.dat", FileMode::readShared);
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.size(), 1000);
    std::string back(1000, '\0');
    EXPECT_EQ(file.read(back.data(), back.size()), 1000);
    EXPECT_EQ(back, bytes);
    char extra;
    EXPECT_EQ(file.read(&extra, 1), 0);
}

TEST_F(FileTest, AFolderIsNotAFileToRead)
{
    std::filesystem::create_directory("folder.ini");
    File file("folder.ini", FileMode::readExclusive);
    EXPECT_FALSE(file.isOpen());
}

TEST_F(FileTest, ByteReaderDeliversEveryByteAcrossBufferBoundaries)
{
    std::string bytes;
    for (int i = 0; i < 10000; ++i)
        bytes += static_cast<char>((i * 7) % 256);
    writeFileBytes("stream.dat", bytes);
    File file("stream.dat", FileMode::readExclusive);
    ByteReader reader(file);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(reader.next(), static_cast<unsigned char>(bytes[i])) << "at " << i;
    EXPECT_EQ(reader.next(), ByteReader::kEnd);
    EXPECT_EQ(reader.next(), ByteReader::kEnd);
}

TEST_F(FileTest, ByteReaderAnswersAPutBackByteOnce)
{
    writeFileBytes("two.dat", "ab");
    File file("two.dat", FileMode::readExclusive);
    ByteReader reader(file);
    EXPECT_EQ(reader.next(), 'a');
    reader.putBack('a');
    EXPECT_EQ(reader.next(), 'a');
    EXPECT_EQ(reader.next(), 'b');
    EXPECT_EQ(reader.next(), ByteReader::kEnd);
}

TEST_F(FileTest, ByteReaderOverAnUnopenedFileFails)
{
    File file("absent.dat", FileMode::readExclusive);
    ByteReader reader(file);
    EXPECT_EQ(reader.next(), ByteReader::kFailed);
}

TEST_F(FileTest, ReplacingWriterPutsTheNewFileInPlace)
{
    writeFileBytes("settings.txt", "old");
    {
        ReplacingWriter writer("settings.txt");
        writer.write("new ");
        writer.write("content");
        EXPECT_TRUE(writer.commit());
    }
    EXPECT_EQ(fileBytes("settings.txt"), "new content");
    EXPECT_FALSE(fileExists("settings.txt.new"));
}

TEST_F(FileTest, ReplacingWriterCreatesAMissingFile)
{
    {
        ReplacingWriter writer("fresh.txt");
        writer.write("x");
        EXPECT_TRUE(writer.commit());
    }
    EXPECT_EQ(fileBytes("fresh.txt"), "x");
}

TEST_F(FileTest, AnAbandonedReplacementLeavesTheOldFile)
{
    writeFileBytes("settings.txt", "old");
    {
        ReplacingWriter writer("settings.txt");
        writer.write("half of the new");
        EXPECT_EQ(fileBytes("settings.txt"), "old");
    }
    EXPECT_EQ(fileBytes("settings.txt"), "old");
    EXPECT_FALSE(fileExists("settings.txt.new"));
}

TEST_F(FileTest, AReplacementThatCannotBeWrittenLeavesTheOldFile)
{
    writeFileBytes("settings.txt", "old");
    std::filesystem::create_directory("settings.txt.new");  // the temporary file cannot be made
    {
        ReplacingWriter writer("settings.txt");
        writer.write("new");
        EXPECT_FALSE(writer.commit());
    }
    EXPECT_EQ(fileBytes("settings.txt"), "old");
}

TEST_F(FileTest, AReplacementThatCannotBeMovedLeavesTheOldFile)
{
    std::filesystem::create_directory("settings.txt");  // a folder cannot be replaced by a file
    {
        ReplacingWriter writer("settings.txt");
        writer.write("new");
        EXPECT_FALSE(writer.commit());
    }
    EXPECT_TRUE(std::filesystem::is_directory("settings.txt"));
    EXPECT_FALSE(fileExists("settings.txt.new"));
}
