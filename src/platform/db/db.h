#pragma once
// The catalogue's data layer: encrypted database files (SQLCipher 3.4, 4096-byte cipher
// pages) behind the connection strings, data controls and record sets the windows use.
// No Qt; single-threaded like the windows.
//
// What it does
//   - connection.h          one shared, keyed engine connection per file, counted by its
//                           users; a wrong password or a foreign file fails at open and
//                           the file is left as it was
//   - recordset.h           static snapshots (keys and plain columns; pictures read by key
//                           on demand), 1-based positions with -1/-2/-3, moves, pending
//                           edits saved by a move, AddNew/Update/Delete, Find, move events
//   - data_control.h        the windows' invisible data control, with a small binding
//                           interface for bound consumers
//   - select_statement.h    the record sources it accepts; find_criterion.h the criteria
//   - table_layout.h        how a table lies in the file: a table with an integer key keeps
//                           its pictures in a bytes table of their own, one row per record,
//                           which the record sets show as the table's last columns
//   - layout_move.h         a file whose pictures still sit in their records' rows is moved
//                           to that layout at its first open, in one transaction
//   - compaction.h          an encrypted, compacted copy of a closed catalogue
//   - database_creation.h   a new encrypted file from schema statements
//   - value.h               field values (dates are ISO "YYYY-MM-DD" text in the file)
//   - errors.h              error numbers, the two duplicate-name numbers among them
//
// What it does not do: any other SQL, joins, several tables in one record set, keyset or
// dynamic cursors, other users' changes showing in an open snapshot (requery for that),
// case folding beyond ASCII letters (sorting and Find alike).
//
// Measured (Release, 2 x 2.4 GHz class cores, warm page cache, see bench/catalogue):
// opening "Select * from Pictures ORDER BY PhotoDescription" over 100,000 rows of 100 KB
// pictures (a 10 GB file) takes about as long as stepping the same SQL by hand (within a
// few per cent), and the snapshot holds about 140 bytes per row whatever the pictures
// weigh. Compaction runs at about 115 MB/s (the cipher's work dominates); opening a
// file costs about 50 ms of key derivation, once per file while any user holds it. A text
// edit of a record whose picture weighs 100 MB takes as long as one of a 1 KB record
// (about 25 ms, mostly the commit's flush) and adds nothing to the file; moving a 500 MB
// catalogue of the earlier layout runs at about 0.8 of the compaction's speed and leaves
// the old rows' 500 MB as free space until the next compaction.

#include "platform/db/compaction.h"
#include "platform/db/connection.h"
#include "platform/db/connection_string.h"
#include "platform/db/data_control.h"
#include "platform/db/database_creation.h"
#include "platform/db/errors.h"
#include "platform/db/recordset.h"
#include "platform/db/value.h"
