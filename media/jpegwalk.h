#pragma once

#include <QByteArray>
#include <QIODevice>

// A JPEG file read marker by marker, for the decoder and for judging what decoding it will cost
// before anything is decoded. Comments and application segments (APPn) are left out as they are
// read, all but the Exif block (it says how to turn the photo) and Adobe's (it says how the
// colours are stored): a file of a hundred megabytes of comments costs no memory. Bytes after
// the end-of-image marker (some phones append a video there) are not read.
struct JpegWalk
{
    QByteArray kept; // the file without its metadata, as the decoder should see it
    bool whole = false; // the markers run on to the end-of-image marker
    int width = 0; // from the frame header; 0 when there is none
    int height = 0;
    bool arithmetic = false; // arithmetic coding, several times slower to decode than Huffman
    int precision = 8; // bits a sample: 8, or 12 from medical and raw tools
    bool lossless = false; // a lossless frame (SOF3, 7, 11, 15)
    int scans = 0;
    // The 8 × 8 blocks of the whole picture, over all of its colour components, and the blocks
    // that all scans together code: the decoder's entropy decoding walks each scan's blocks, at
    // full size whatever size the picture is shown at.
    qint64 blocks = 0;
    qint64 scannedBlocks = 0;
    qint64 codedBytes = 0; // the entropy-coded data of all scans

    static JpegWalk read(QIODevice &device);
};
