-- The empty catalogue the program carries and writes as Quillmere.mdb at the first start.
-- Names and categories compare without regard to case, as the catalogue always has.
-- A record's picture bytes live in PictureBytes under the record's ID, so that editing
-- a record's text rewrites a row of a few hundred bytes whatever the picture weighs.
-- The record sets present Photo as the last column of Pictures.

CREATE TABLE Pictures (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    PhotoDescription TEXT COLLATE NOCASE,
    Date DATE,
    Category TEXT COLLATE NOCASE,
    PhotoXtent TEXT,
    PhotoSize INTEGER,
    Description TEXT,
    Notes TEXT,
    WorkPhone TEXT,
    Location TEXT,
    Phone TEXT,
    Email TEXT,
    Address TEXT,
    City TEXT,
    State TEXT,
    Zip TEXT,
    IDUs TEXT,
    Company TEXT,
    Gender TEXT,
    MaritalSt TEXT,
    Height TEXT,
    Weight TEXT,
    DOB TEXT,
    Education TEXT
);
CREATE UNIQUE INDEX PicturesByName ON Pictures (PhotoDescription);
CREATE INDEX PicturesByCategory ON Pictures (Category);

CREATE TABLE PictureBytes (
    ID INTEGER PRIMARY KEY REFERENCES Pictures (ID),
    Photo BLOB
);

CREATE TABLE Categories (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Description TEXT COLLATE NOCASE
);
CREATE UNIQUE INDEX CategoriesByName ON Categories (Description);

-- One row, read and written by position: 2 program password, 3 sort, 4 compression,
-- 5 main window width. Positions 0 and 1 are not used by the program.
CREATE TABLE Options (
    ID INTEGER PRIMARY KEY,
    Reserved TEXT,
    ProgramPassword TEXT,
    SortOption TEXT,
    CompressOption TEXT,
    MainWindowWidth TEXT
);
INSERT INTO Options (ID) VALUES (1);
