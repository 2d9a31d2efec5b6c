// The codes of the game protocol, so that no other file writes a bare code number.
#pragma once

namespace proto {

// The game's frame.
constexpr int kVersion = 100;        // referee: version, numplayers, playernum
constexpr int kVersionAnswer = 101;  // client: version
constexpr int kWaiting = 102;        // referee: players still awaited
constexpr int kPlayerLeft = 103;     // referee: player
constexpr int kDeckEmpty = 104;      // referee: no card can be drawn
constexpr int kWinner = 105;         // referee: winner
constexpr int kGameOverAck = 106;    // a player without a connection: game over seen

// Moves.
constexpr int kPublished = 200;  // referee: mover, records
constexpr int kSeen = 201;       // turn player: published moves applied
constexpr int kPlay = 210;       // turn player: records
constexpr int kAutoPlay = 220;   // turn player: play my turn for me

// Turns.
constexpr int kTurn = 300;      // referee: turn, drawn card record
constexpr int kDealTurn = 310;  // referee: turn
constexpr int kDealAck = 311;   // turn player: deal me my hand

// Move records inside 200, 210 and 300 lines.
constexpr int kRecordFirst = 900;
constexpr int kTopToTop = 900;
constexpr int kTopToBottom = 901;
constexpr int kTopToTopAlt = 902;
constexpr int kTopToBottomAlt = 903;
constexpr int kHandToTop = 910;
constexpr int kHandToBottom = 911;
constexpr int kHandToTopAlt = 912;
constexpr int kHandToBottomAlt = 913;
constexpr int kPileToPile = 920;
constexpr int kPileToPileBottom = 921;  // invalid: never applied
constexpr int kPileToPileAlt = 922;
constexpr int kPileToPileBottomAlt = 923;  // invalid: never applied
constexpr int kRecordLast = 923;

// The protocol version of the game's lines, which this referee writes in its 100 lines.
constexpr int kProtocolVersion = 1;

// The extension: names, seats and chat. A client that speaks it answers 100 with this version in
// its 101; the referee sends the extension's lines only to such clients, after that 101. A client
// sends its own only after its 101; a referee that does not speak the extension ignores them.
constexpr int kExtensionVersion = 2;
constexpr int kName = 400;         // client: the player's name, one character code a number
constexpr int kSeats = 401;        // referee: seat count; per seat: state, name length, name
constexpr int kChat = 410;         // client: a chat line, one character code a number
constexpr int kChatRelay = 411;    // referee: sender's seat, the line
constexpr int kChatDropped = 412;  // referee, to the sender alone: a line came too fast

// Coming back after a dropped connection. A client may open a connection with 420: with a seat and
// its secret it asks for that seat back, bare it only asks to be told when the game is in play.
constexpr int kRejoin = 420;         // client, first line: [seat, the secret's 8 parts]
constexpr int kRejoinRefused = 421;  // referee, then it closes: why (one of the three below)
constexpr int kSeatTable = 422;      // referee, to the rejoined client: the table as it sees it
constexpr int kSeatSecret = 423;     // referee, after the 101: the secret's 8 parts
constexpr int kGoodbye = 424;        // referee: the host ends the game on purpose
constexpr int kRecordLine = 425;     // referee, after 422: a line of the game's public record

// The server's lobby: a client that opens with 430 speaks it (the extension's version 3; 4 adds
// names with an owner, ratings and kept games, 447 to 458, which a client of 3 never sends).
constexpr int kLobbyVersion = 4;
constexpr int kOldestLobbyVersion = 3;
constexpr int kLobbyHello = 430;      // client, first line: the lobby's version it speaks
constexpr int kListTables = 432;      // client: the tables, please
constexpr int kTableListed = 433;     // server: seats, joined, playing, watchers, chat, the name
constexpr int kTablesEnd = 434;       // server: the count of 433 lines just sent
constexpr int kCreateTable = 435;     // client: seats, strength, watchers' chat, the name
constexpr int kJoinTable = 436;       // client: the table's name
constexpr int kWatchTable = 437;      // client: the table's name
constexpr int kLeaveTable = 438;      // client, at a table: back to the lobby
constexpr int kLobbyChat = 439;       // client, in the lobby: a line
constexpr int kLobbyChatRelay = 440;  // server: the sender's name, then the line
constexpr int kRefused = 441;       // server: why (see the server's reasons), then maybe it closes
constexpr int kWatchers = 442;      // server, to a seat from the lobby: how many watch its table
constexpr int kStartNow = 443;      // client, the table's creator: computers in the empty seats
constexpr int kWatchedTable = 444;  // server, to a new watcher: the public table (seat -1)
constexpr int kInLobby = 445;       // server: the connection is in the lobby (again)
constexpr int kWatcherChat = 446;   // server, at a table: a watcher's name, then its line
constexpr int kPlayerKey = 447;     // client, before its name: its key for this server, 16 parts
constexpr int kYourName = 448;      // server: the name this connection goes by here (text)
constexpr int kListRatings = 449;   // client: the best players, please
constexpr int kRated = 450;         // server: place, rating, games, the counted name
constexpr int kRatingsEnd = 451;    // server: the count of 450 lines, then the asker's own as 450
constexpr int kListGames = 452;     // client: the last games, of the name it carries or everyone's
constexpr int kGameListed = 453;    // server: the game's number, then 4 counted texts
constexpr int kGamesEnd = 454;      // server: the count of 453 lines
constexpr int kWatchAgain = 455;    // client: a kept game's number
constexpr int kRecordText = 456;    // server: a line of a game's record (text)
constexpr int kRecordEnd = 457;     // server: the game's number and the count of 456 lines
constexpr int kSeatRatings = 458;   // server, to a table's lobby seats: each seat's rating or -1
constexpr int kInPlay = 0;          // no seat asked for, and none is free
constexpr int kNotYourSeat = 1;     // a wrong secret, or none given for this seat in this game
constexpr int kSeatInUse = 2;       // the right secret, but the seat's old connection is still open

}  // namespace proto
