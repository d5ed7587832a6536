// What the memory manager asks of the objects whose memory it trims. The
// documents, the images and the URL registry implement these; the manager
// only asks them to give memory back and never destroys them.
#pragma once

// A document that is no longer shown in its window and may give back what it
// can load again (parsed content, decoded images, news memory).
class ReleasableDocument {
public:
    // 1 when it released its memory or had none to release; 0 when it must
    // keep it for now (still in use).
    virtual int ReleaseData() = 0;

protected:
    virtual ~ReleasableDocument() = default;
};

// A counted image. The manager holds a use of every image on its list, so
// that a listed image stays alive until its entry is dropped.
class ReleasableImage {
public:
    virtual void AddUse() = 0;
    virtual void DropUse() = 0;
    // Drops the decoded data and its pool of image memory: 1 when released
    // or there was none; 0 when the image must keep them (loading, in use).
    virtual int ReleaseData() = 0;

protected:
    virtual ~ReleasableImage() = default;
};

// The owner of the URL records, asked now and then, after many full document
// trims, to drop the data of the records nothing uses.
class UnusedUrlReleaser {
public:
    virtual void ReleaseUnusedData() = 0;

protected:
    virtual ~UnusedUrlReleaser() = default;
};
