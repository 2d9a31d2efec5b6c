#!/usr/bin/python3
"""The built program in a real window under Xvfb, worked with the mouse and keys through xdotool,
judged from screenshots taken with ImageMagick's import.

- The menu at rest uses almost no processor time.
- Local games: "New game (local, 2 players)" chosen with Down and Return, a turn played from
  the keyboard (Right, Tab, Return, D), a hand card dragged onto a pile (tried on the piles
  when picking it up rings one in blue) and taken back with "Undo", dragged again, "Done" after
  that move and "Auto" on the other turns, up to "Game Over!"; the others' moves are marked.
  "Play again" starts the next clean game, played to its end: two games, or up to four when a
  game ended before all of that could be seen. Escape then returns to the menu.
- The menu's chosen local game: 3 players against "Strong" played to "Game Over"; then 5 players.
- Joining a host whose accept queue is full: the window keeps answering, Escape returns to the
  menu at once; left alone, the attempt gives up after 10 seconds with its error line.
- A network game: the program hosts "Anna" for two players, velmora-player "Bo" joins over TCP;
  the names are told, a chat line reaches Bo, both see the same winner; Bo gone, "Play again"
  waits for a player and "Start now with computer players" starts the next game.
- Coming back: a window that joined a headless referee's game is killed on its turn, started
  again, and takes its seat back with "Rejoin the game at 127.0.0.1" to play to the same winner.
- Two windows side by side and a headless player in one game: the joining window finds the host
  in its join screen's list and joins with a click; a chat line typed in one window shows in the
  other; both windows end with the same winner.
- On a screen more than twice the picture's size: the window starts at twice the size, sharp;
  F11 fills the screen and back; a local game played with a drag at the scaled positions (up
  to three games, until a card could be dragged).
- A server's tables: three windows on a velmora-server started by the test; "Anna" (started
  with --server) creates a table for two in its lobby, "Bo" comes through "Play on a server..."
  and joins it, "Cy" watches the game in play; the players and the watcher agree on its winner,
  and "Leave" takes the watcher back to the lobby. The table's form and the watched table at rest
  use almost no processor time.
- Closing the window as a window manager does, at the menu, in a game and while waiting for
  players: the program ends with status 0.
- What the program keeps, in a home folder of the test's own: a local game closed in the middle
  of a turn comes back with "Continue game" at the same table, its move still undoable, and a
  pile is looked through with the right button; a
  setting changed in the Settings screen is there after a restart; a finished game is counted
  on the Statistics screen and in its file. F1 opens the rules over the menu, Esc closes them.

Status lines are compared with the same texts drawn by the game's own font code (text_strip).
Waits are bounded; a failure says what was seen.
    window_test.py --build BUILD_DIR [--shots DIR]
"""
import argparse
import contextlib
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

TEAL = (0, 128, 128)
WIDTH, HEIGHT = 800, 600
BUTTON_H = 22  # font height 18 + 4
MENU_TOP = 4 * 18 + 10
# Centres of the board piles 6 to 13: each home plus half a frame.
PILE_CENTRES = [(400, 198), (502, 198), (502, 300), (502, 402),
                (400, 402), (298, 402), (298, 300), (298, 198)]
# The text lines lie left of this; the seat at the top right beyond it.
TEXT_WIDTH = 590
# A row every hand card covers, lifted out of the hand or not.
HAND_ROW_Y = 560
UNDO = (25, HEIGHT - 3 * BUTTON_H - 1 + 11)
DONE = (25, HEIGHT - 2 * BUTTON_H - 1 + 11)
AUTO = (25, HEIGHT - BUTTON_H - 1 + 11)
# After a game, at the right: "Play again" above "Menu". A press in the first half second after
# the end is ignored.
PLAY_AGAIN = (WIDTH - 40, HEIGHT - 2 * BUTTON_H - 1 + 11)
# A server's lobby: "Create a table...", and the first table's row, under the row of the lists'
# buttons.
CREATE_TABLE = (60, 10 + 3 * 18 + 11)
LOBBY_ROW_Y = 10 + 3 * 18 + 2 * BUTTON_H + 8 + 11
# Up and Down go from "Create a table..." through the lists' buttons ("Tables", shown, is closed)
# to the first table's "Join".
TO_FIRST_TABLE = ("Down",) * 5
SERVER_PORT = 1240
BUTTON_FACE = (192, 192, 192)
# The lower of the buttons at the right after a game ("Menu", or "Leave" at a server's table).
END_LOWER = (WIDTH - 40, HEIGHT - BUTTON_H - 1 + 11)
# The join screen's first row of games found.
LIST_ROW = (60, 10 + 8 * 18 + 11)
# While a seat left after a game waits for a player: under the five text lines.
FILL_SEATS = (60, 10 + 5 * 18 + 11)
END_GUARD_S = 0.6
# The ring around the cards the other players moved.
MOVED_RING = (255, 120, 0)
TARGET_RING = (20, 60, 255)
CHOSEN_RING = (255, 230, 0)
# The band behind a pile looked through.
LOOK_BAND = (0, 70, 70)
CHAT_BAND = (0, 80, 80)
PORT = 1234
# The menu's local game of the player's choice, and the buttons that choose it.
CHOSEN_GAME, PLAYERS = (60, 192), (60, 214)
# With no saved game to continue; a saved game adds "Continue game" after "Join a game...".
CONTINUE = (260, MENU_TOP + 11)
SAVED_GAME = ".local/state/velmora/saved-game.ini"
STATISTICS_FILE = ".local/share/velmora/statistics.ini"
# Where the pointer rests between actions: on no pile, card or button at any player count.
AWAY = (700, 300)
STATISTICS, SETTINGS = (40, 269), (40, 291)
# The Settings screen's "Name" button, and the Statistics screen's table.
SETTINGS_NAME = (40, 3 * 18 + 10 + 11)
TABLE_ROWS = (3 * 18 + 10, 300)

STATUS_TEXTS = ["It's your turn!", "Waiting for another player", "Game Over! You Win!",
                "Game Over! You Lose, Player 1 Won!", "Game Over! You Lose, Player 2 Won!",
                "Game Over! You Lose, Computer 1 Won!", "Game Over! You Lose, Computer 2 Won!",
                "Game Over! You Lose, Computer 3 Won!", "Game Over! You Lose, Computer 4 Won!",
                "Game Over! You Lose, Bo Won!", "Game Over! You Lose, Player 0 Won!",
                "Waiting for 1 more player to join", "Waiting for 1 more player . . .",
                "Game Over! You Lose, Anna Won!", "Game Over! You Lose, Cy Won!",
                "Welcome to Velmora!", "Willkommen bei Velmora!",
                "Still waiting for clients to connect...", "Connecting to 127.0.0.1 ...",
                "Error: no answer from 127.0.0.1 within 10 seconds",
                "Rejoining the game at 127.0.0.1 ...", "That card does not fit on the chosen pile",
                "Tables at 127.0.0.1", "A new table at 127.0.0.1",
                "Friday: Waiting for 1 more player . . .", "Friday: It's your turn!",
                "Friday: Waiting for another player", "Friday: Game Over! You Win!",
                "Friday: Game Over! You Lose, Anna Won!", "Friday: Game Over! You Lose, Bo Won!",
                "Watching Friday", "Watching Friday: Anna plays", "Watching Friday: Bo plays",
                "Watching Friday. Game Over! Anna Won!", "Watching Friday. Game Over! Bo Won!"]
REFUSED = "That card does not fit on the chosen pile"
# Said at the menu, below its buttons.
HOST_GONE = "The host at 127.0.0.1 is gone"
# The game's log at 800 x 600: its colour, where its rows' text begins, the first row's top (under
# its title) and the rows' height, as many as it shows.
LOG_BACKGROUND = "0,50,50"
LOG_X = 800 - 10 - 320 + 6
LOG_TOP = 128
LOG_ROW_H = 18
LOG_ROWS = 19


class Failure(Exception):
    pass


def wait_for(what, condition, seconds, step=0.05):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(step)
    raise Failure("timed out waiting for " + what)


class Image:
    def __init__(self, ppm):
        parts = ppm.split(maxsplit=4)
        if parts[0] != b"P6":
            raise Failure("not a PPM picture")
        self.w, self.h = int(parts[1]), int(parts[2])
        self.data = parts[4]

    def pixel(self, x, y):
        i = 3 * (y * self.w + x)
        return tuple(self.data[i:i + 3])

    def rows(self, top, count):
        return self.data[3 * self.w * top:3 * self.w * (top + count)]

    def left(self, top, count, width):
        """The first `width` pixels of `count` rows from `top`."""
        return b"".join(self.data[3 * self.w * y:3 * (self.w * y + width)]
                        for y in range(top, top + count))

    def halved(self):
        """Every second pixel of every second row: a picture shown at twice its size, as it was."""
        rows = [b"P6 %d %d 255 " % (self.w // 2, self.h // 2)]
        for y in range(0, self.h, 2):
            row, out = self.rows(y, 1), bytearray(3 * (self.w // 2))
            out[0::3], out[1::3], out[2::3] = row[0::6], row[1::6], row[2::6]
            rows.append(bytes(out))
        return Image(b"".join(rows))


def same_pixels(a, b):
    return len(a) == len(b) and all(abs(p - q) <= 3 for p, q in zip(a, b))


class Xvfb:
    def __init__(self, size):
        for n in range(90, 190):
            if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                continue
            self.proc = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", size + "x24", "-noreset",
                                          "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL)
            self.name = f":{n}"
            # Ours serves the display only if it is still running once the display is there:
            # an Xvfb that found the number taken has ended. Without -noreset the server resets
            # whenever its last client leaves and refuses the next one meanwhile.
            wait_for("Xvfb", lambda: os.path.exists(f"/tmp/.X11-unix/X{n}")
                     or self.proc.poll() is not None, 10)
            if self.proc.poll() is None and self.owns(n) and self.answers():
                return
            self.close()
        raise Failure("no free X display number")

    def owns(self, n):
        """Whether display n's lock names our server: another test's Xvfb may have taken the
        number a moment before ours, and its socket then answers for it."""
        try:
            with open(f"/tmp/.X{n}-lock") as lock:
                return int(lock.read().strip()) == self.proc.pid
        except (OSError, ValueError):
            return False

    def answers(self):
        """Whether the server takes connections: its socket file appears before it listens."""
        env = dict(os.environ, DISPLAY=self.name)
        ask = lambda: subprocess.run(["xdotool", "getdisplaygeometry"], env=env, timeout=10,
                                     stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL).returncode == 0
        try:
            return wait_for("Xvfb to answer", ask, 10, 0.1)
        except Failure:
            return False

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


class Game:
    """One run of build/velmora in the window."""

    running = []

    def __init__(self, args, env, program=None, cwd=None, scale=1, options=()):
        self.args, self.env, self.scale = args, env, scale
        self.wid = None
        self.proc = subprocess.Popen([program or os.path.join(args.build, "velmora"), *options],
                                     cwd=cwd or args.build, env=env, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT)
        # Only a started program is stopped at the end.
        Game.running.append(self)
        self.wid = wait_for("the window", self.find_window, 30, 0.1)
        wait_for("the window's first picture", self.try_shot, 10, 0.1)

    def find_window(self):
        if self.proc.poll() is not None:
            raise Failure("the program ended at start: " + self.output())
        found = self.run(["xdotool", "search", "--name", "^Velmora$"], check=False).split()
        others = {g.wid for g in Game.running if g is not self and g.proc.poll() is None}
        found = [w for w in found if w not in others]
        return found[0] if found else None

    def run(self, command, check=True):
        done = subprocess.run(command, env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=20, check=check)
        return done.stdout.decode()

    def output(self):
        try:
            return self.proc.communicate(timeout=10)[0].decode(errors="replace")
        except subprocess.TimeoutExpired:
            return "(still running)"

    def try_shot(self):
        try:
            return self.shot()
        except subprocess.CalledProcessError:
            return None

    def window_shot(self):
        ppm = subprocess.run(["import", "-window", self.wid, "-depth", "8", "ppm:-"], env=self.env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=20,
                             check=True).stdout
        return Image(ppm)

    def shot(self):
        """The picture in picture coordinates."""
        image = self.window_shot()
        return image.halved() if self.scale == 2 else image

    def move(self, x, y):
        return ["mousemove", "--window", self.wid, str(x * self.scale), str(y * self.scale)]

    def pointer(self, *actions):
        for action in actions:
            self.run(["xdotool"] + action)
            time.sleep(0.05)

    def click(self, x, y):
        self.pointer(self.move(x, y), ["mousedown", "1"], ["mouseup", "1"])

    def drag(self, x0, y0, x1, y1):
        """A drag, after which the pointer leaves the table: resting on a pile, it would spread
        the pile out."""
        self.pointer(self.move(x0, y0), ["mousedown", "1"],
                     self.move((x0 + x1) // 2, (y0 + y1) // 2), self.move(x1, y1), ["mouseup", "1"],
                     self.move(*AWAY))

    def settled(self, seconds=2):
        """The picture once two shots in a row are the same (a slow build redraws late)."""
        last = self.shot()
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            time.sleep(0.05)
            image = self.shot()
            if same_pixels(image.data, last.data):
                return image
            last = image
        return last

    def key(self, name):
        self.run(["xdotool", "key", "--window", self.wid, name])

    def type(self, text):
        self.run(["xdotool", "type", "--window", self.wid, text])

    def cpu_seconds(self):
        with open(f"/proc/{self.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def close(self):
        """Closes the window as a window manager's close button does; the exit status."""
        subprocess.run([os.path.join(self.args.build, "close_window"), self.wid], env=self.env,
                       timeout=20, check=True)
        try:
            return self.proc.wait(30)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise Failure("the program did not end when its window was closed")


class Judge:
    """Reads the status line by comparing it with the texts drawn by the game's font code."""

    def __init__(self, args):
        path = os.path.join(tempfile.mkdtemp(), "strips.ppm")
        subprocess.run([os.path.join(args.build, "text_strip"), path] + STATUS_TEXTS + [HOST_GONE],
                       cwd=args.build, check=True, timeout=60, stdout=subprocess.DEVNULL)
        with open(path, "rb") as f:
            strips = Image(f.read())
        # The status line's rows only: the next line of text starts at y 28.
        # Left of the seat at the top right.
        self.strips = {t: strips.left(40 * i, 28, TEXT_WIDTH)
                       for i, t in enumerate(STATUS_TEXTS + [HOST_GONE])}

    def status(self, image):
        top = image.left(0, 28, TEXT_WIDTH)
        for text, strip in self.strips.items():
            if text != HOST_GONE and same_pixels(top, strip):
                return text
        return None

    def says_below_menu(self, image, text):
        """Whether a line below the menu's buttons reads `text`."""
        strip = self.strips[text]
        return any(same_pixels(image.left(y, 28, TEXT_WIDTH), strip) for y in range(280, 500))


class LogReader:
    """Reads how the rows of the game's log begin, by comparing them with texts drawn by the
    game's font code on the log's colour."""

    def __init__(self, args, beginnings):
        path = os.path.join(tempfile.mkdtemp(), "log-strips.ppm")
        subprocess.run([os.path.join(args.build, "text_strip"), "--on", LOG_BACKGROUND, path] +
                       beginnings, cwd=args.build, check=True, timeout=60,
                       stdout=subprocess.DEVNULL)
        with open(path, "rb") as f:
            strips = Image(f.read())
        self.strips = {}
        for i, text in enumerate(beginnings):
            top = 40 * i + 10
            ground = strips.pixel(0, top)
            inked = [x for x in range(800) for y in range(top, top + LOG_ROW_H)
                     if strips.pixel(x, y) != ground]
            width = max(inked) + 1 - 10
            self.strips[text] = (width, b"".join(strips.data[3 * (800 * y + 10):
                                                              3 * (800 * y + 10 + width)]
                                                 for y in range(top, top + LOG_ROW_H)))

    def begins(self, image, row):
        """The beginning the log's row begins with, or None."""
        top = LOG_TOP + row * LOG_ROW_H
        for text, (width, strip) in self.strips.items():
            shown = b"".join(image.data[3 * (image.w * y + LOG_X):3 * (image.w * y + LOG_X + width)]
                             for y in range(top, top + LOG_ROW_H))
            if same_pixels(shown, strip):
                return text
        return None


def log_at_five_players(game, judge, args):
    """Once the four computers have played, L opens the log, and the last seat's move is the last
    told before the player's own draw: that move's beginning, or None when a computer won first."""
    cards = hand_size(game.shot())
    game.key("d")
    # The first D may only ask whether to pass.
    time.sleep(0.3)
    if judge.status(game.settled()) is None:
        game.key("d")
    # The player passed: the next own turn's draw is one more card. A computer may win first.
    def next_turn():
        image = game.shot()
        status = judge.status(image) or ""
        return status.startswith("Game Over") or (status == "It's your turn!" and
                                                  hand_size(image) == cards + 1)
    wait_for("the player's next turn", next_turn, 30)
    if (judge.status(game.shot()) or "").startswith("Game Over"):
        return None
    game.key("l")
    image = game.settled()
    save(args, "log.png", image)
    last = "Computer 4: "
    moves = [last + verb for verb in ("laid the", "slid the", "moved", "passed")]
    names = [f"Computer {n}: " for n in (1, 2, 3)] + [last + "drew", "You: drew 1 card", "You: "]
    reader = LogReader(args, moves + names)
    rows = [reader.begins(image, row) for row in range(LOG_ROWS)]
    if "You: drew 1 card" not in rows:
        raise Failure(f"the log does not end with the player's draw: {rows}")
    told = [r for r in rows[:len(rows) - rows[::-1].index("You: drew 1 card") - 1] if r]
    if not told or told[-1] not in moves:
        raise Failure(f"the log does not tell the last seat's move before the player's turn: {rows}")
    game.key("Escape")
    if same_pixels(game.settled().data, image.data):
        raise Failure("Esc did not close the log")
    return told[-1]


def hand_step(cards):
    """The hand's spacing: a card's width (73) while the row has room, down to 18."""
    return 0 if cards < 2 else max(18, min(73, 490 // (cards - 1)))


def hand_card_x(card, cards):
    """A point on the visible part of hand card `card` of `cards`."""
    return 50 + hand_step(cards) * card + 36


def hand_size(image):
    # The hand's row ends well left of the buttons after a game, which may already show while
    # the status line still follows the last cards landing.
    right = max((x for x in range(78, WIDTH - 110) if image.pixel(x, HAND_ROW_Y) != TEAL),
                default=0)
    if right < 150:
        return 0
    for cards in range(1, 53):
        if abs(150 + (cards - 1) * hand_step(cards) - right) <= 1:
            return cards
    raise Failure(f"no hand of cards ends at x {right}")


def check_layout(image):
    for x, y in [PILE_CENTRES[0], PILE_CENTRES[2], PILE_CENTRES[4], PILE_CENTRES[6]]:
        if image.pixel(x, y) == TEAL:
            raise Failure(f"no card on the side pile at ({x}, {y})")
    if image.pixel(400, 300) == TEAL:
        raise Failure("no deck in the middle of the board")
    if image.pixel(78, 560) == TEAL or image.pixel(76, 560) != TEAL:
        raise Failure("the hand does not start at x 78 (frame 50 + 28)")


def has_colour(image, colour, top=100, bottom=520):
    return any(image.pixel(x, y) == colour for y in range(top, bottom, 2) for x in range(0, WIDTH, 2))


def board_ink(image):
    return sum(image.pixel(x, y) != TEAL for y in range(100, 480, 4) for x in range(200, 600, 4))


def save(args, name, image):
    if not args.shots:
        return
    os.makedirs(args.shots, exist_ok=True)
    ppm = b"P6\n%d %d\n255\n" % (image.w, image.h) + image.data
    subprocess.run(["/usr/bin/convert", "ppm:-", "-strip", os.path.join(args.shots, name)],
                   input=ppm, check=True, timeout=60)


def try_drags(game, image, args):
    """Drags hand cards onto piles until one is taken; whether one was. A card is tried on the
    piles only when picking it up rings some pile in blue; the first such drag is pictured."""
    before = hand_size(image)
    for card in range(before - 1, -1, -1):
        x0 = hand_card_x(card, before)
        game.pointer(game.move(x0, 560), ["mousedown", "1"], game.move(640, 420))
        time.sleep(0.2)
        held = game.shot()
        game.pointer(["mouseup", "1"])
        if not has_colour(held, TARGET_RING):
            continue
        save(args, "drop-targets.png", held)
        for x, y in PILE_CENTRES:
            game.drag(x0, 560, x, y)
            if hand_size(game.settled()) == before - 1:
                return True
    return False


def undo_and_again(game, image, args):
    """A card dragged onto a pile, taken back with "Undo" (the table as before), dragged again.
    A press on the empty table first hides the keyboard's marks, as every press does."""
    game.click(700, 300)
    time.sleep(0.1)
    image = game.shot()
    before = hand_size(image)
    if not try_drags(game, image, args):
        return False
    game.click(*UNDO)
    wait_for("the card back in the hand after Undo", lambda: hand_size(game.shot()) == before, 5)
    if board_ink(game.shot()) != board_ink(image):
        raise Failure("the board after Undo differs from the board before the move")
    return try_drags(game, image, args)


def keyboard_turn(game, image, args):
    """Lays a hand card with the keys (Right chooses a card, Tab a pile, Return plays) and ends
    the turn with D; whether a card was laid. A card is tried on the piles only when choosing it
    rings some pile in blue; the first such choice is pictured with its marks."""
    before = hand_size(image)
    for card in range(before):
        game.key("Right")
        time.sleep(0.1)
        if not has_colour(game.shot(), TARGET_RING):
            continue
        for pile in range(8):
            game.key("Tab")
            if pile == 0:
                time.sleep(0.2)
                save(args, "focus.png", game.shot())
            game.key("Return")
            if hand_size(game.settled()) == before - 1:
                game.key("d")
                return True
    return False


def play_to_the_end(game, judge, args, drag, keys=False):
    """Plays every own turn (with `keys` first a card laid from the keyboard and D; with `drag`
    then one drag, "Undo", a drag and "Done"; else "Auto") until the game is over; the final
    status, whether a card was dragged, whether the others' moves were seen marked, whether a
    card was laid from the keyboard."""
    dragged, laid_out, best, marks, keyed = False, False, (0, None), False, False
    deadline = time.monotonic() + 300
    turns, last, changed, unmoved = 0, None, time.monotonic(), 0
    while time.monotonic() < deadline:
        image = game.shot()
        status = judge.status(image)
        unmoved = unmoved + 1 if image.data == last else 0
        if image.data != last:
            last, changed = image.data, time.monotonic()
        if status and status.startswith("Game Over"):
            save(args, "game-over.png", image)
            if best[1]:
                save(args, "game.png", best[1])
            return status, dragged, marks, keyed
        if status != "It's your turn!":
            time.sleep(0.05)
            continue
        if not laid_out:
            check_layout(image)
            laid_out = True
        best = max(best, (board_ink(image), image), key=lambda b: b[0])
        if not marks and has_colour(image, MOVED_RING):
            marks = True
            save(args, "marks.png", image)
        if keys and not keyed and keyboard_turn(game, image, args):
            keyed = True
        elif drag and not dragged and undo_and_again(game, image, args):
            dragged = True
            game.click(*DONE)
        else:
            # A turn that a slow build saw two moves of keeps "Auto" closed: "Done" ends it.
            game.click(*(DONE if unmoved >= 3 else AUTO))
        turns += 1
        time.sleep(0.2)
    save(args, "unfinished.png", image)
    raise Failure(f"the game did not end within 300 seconds: {turns} own turns played, the status "
                  f"line reads {status!r}, the window last changed "
                  f"{time.monotonic() - changed:.0f} s before")


def at_menu(game, judge):
    return wait_for("the menu", lambda: (lambda m: judge.status(m) == "Welcome to Velmora!" and m)(
        game.shot()), 10)


def left_menu(game, judge):
    """Waits for the screen a menu button opens: keys typed before it shows would reach the menu."""
    wait_for("the menu to give way", lambda: judge.status(game.shot()) != "Welcome to Velmora!", 10)


def idle_at_menu(game):
    """Processor use of the window at rest, in per cent of a core over three seconds."""
    before = game.cpu_seconds()
    time.sleep(3)
    percent = 100 * (game.cpu_seconds() - before) / 3
    if percent > 5:
        raise Failure(f"the menu at rest takes {percent:.1f} % of a core")
    return percent


def local_game(args, env, judge):
    game = Game(args, env)
    save(args, "menu.png", at_menu(game, judge))
    print(f"idle at the menu: {idle_at_menu(game):.1f} % of a core")
    game.key("Down")
    game.key("Return")
    # A game can end before a card fits anywhere on an own turn: the next game goes on with what
    # is still to be seen. Two games at least, "Play again" between them.
    statuses, dragged, marks, keyed = [], False, False, False
    while len(statuses) < 2 or not (dragged and marks and keyed):
        if len(statuses) == 4:
            raise Failure(f"in four games: a card dragged {dragged}, laid from the keyboard "
                          f"{keyed}, the other player's moves marked {marks}")
        if statuses:
            time.sleep(END_GUARD_S)
            game.click(*PLAY_AGAIN)
            first = wait_for("the next game", lambda: (lambda m: judge.status(m) in (
                "It's your turn!", "Waiting for another player") and m)(game.shot()), 20)
            if hand_size(first) not in (5, 6) or has_colour(first, MOVED_RING, 0, HEIGHT):
                raise Failure("the next game does not start from a clean table")
        status, d, m, k = play_to_the_end(game, judge, args, drag=not dragged, keys=not keyed)
        statuses.append(status)
        dragged, marks, keyed = dragged or d, marks or m, keyed or k
    game.key("Escape")
    at_menu(game, judge)
    if game.close() != 0:
        raise Failure("closing a game's window: " + game.output())
    print("local games:", ", then ".join(statuses))


def own_turn(game, judge):
    return wait_for("the player's turn", lambda: (lambda m: judge.status(m) == "It's your turn!"
                                                  and m)(game.shot()), 30)


def strong_local_games(args, env, judge):
    """The menu's chosen game, 3 players against "Strong", to its end; then one of 5 players."""
    game = Game(args, env)
    at_menu(game, judge)
    game.click(*CHOSEN_GAME)
    save(args, "game-3-players.png", own_turn(game, judge))
    status = play_to_the_end(game, judge, argparse.Namespace(shots=None), drag=False)[0]
    game.key("Escape")
    at_menu(game, judge)
    game.click(*PLAYERS)
    game.click(*PLAYERS)
    save(args, "menu-5-players.png", game.shot())
    game.click(*CHOSEN_GAME)
    save(args, "game-5-players.png", own_turn(game, judge))
    told = log_at_five_players(game, judge, args)
    for _ in range(3):
        if told:
            break
        # A computer won before the player's second turn: another game.
        time.sleep(0.6)  # a key in the first half second after the end is ignored
        game.key("Escape")
        at_menu(game, judge)
        game.click(*CHOSEN_GAME)
        own_turn(game, judge)
        told = log_at_five_players(game, judge, args)
    if not told:
        raise Failure("no 5-player game came to the player's second turn")
    if game.close() != 0:
        raise Failure("closing a 5-player game: " + game.output())
    print("3 players against Strong:", status, "; at 5 players the log tells:", told)


def full_listener():
    """A listener on the game's port whose accept queue is full: a connect to it gets no answer."""
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", PORT))
    listener.listen(0)
    fillers = []
    for _ in range(3):
        s = socket.socket()
        s.setblocking(False)
        s.connect_ex(("127.0.0.1", PORT))
        fillers.append(s)
    time.sleep(0.3)
    return [listener] + fillers


def join_silent_host(args, env, judge):
    sockets = full_listener()
    try:
        game = Game(args, env)
        at_menu(game, judge)
        for attempt in ("escape", "wait"):
            game.click(60, MENU_TOP + 2 * BUTTON_H + 11)
            left_menu(game, judge)
            # A host that never took the player is not offered again: the field stays empty.
            game.type("127.0.0.1")
            game.key("Return")
            wait_for("the connecting screen",
                     lambda: judge.status(game.shot()) == "Connecting to 127.0.0.1 ...", 5)
            if attempt == "escape":
                save(args, "connecting.png", game.shot())
                started = time.monotonic()
                game.key("Escape")
                at_menu(game, judge)
                if time.monotonic() - started > 1.5:
                    raise Failure("Escape took more than a second to leave a connecting screen")
            else:
                wait_for("the connection to give up", lambda: judge.status(game.shot()) ==
                         "Error: no answer from 127.0.0.1 within 10 seconds", 15)
                game.key("Escape")
                at_menu(game, judge)
        if game.close() != 0:
            raise Failure("closing after the joins: " + game.output())
    finally:
        for s in sockets:
            s.close()
    print("joining a silent host: Escape returns at once, the attempt gives up after 10 s")


def host_two_players(args, env, judge):
    """The program started and hosting a two-player game, waiting for the second player."""
    game = Game(args, env)
    at_menu(game, judge)
    game.click(60, MENU_TOP + BUTTON_H + 11)
    left_menu(game, judge)
    game.key("Return")
    wait_for("the host's waiting screen",
             lambda: judge.status(game.shot()) == "Still waiting for clients to connect...", 10)
    return game


def shows_chat(image):
    """Whether the chat's lines show in their corner, right of the hand."""
    return any(image.pixel(x, y) == CHAT_BAND for y in range(380, 548, 4)
               for x in range(WIDTH - 190, WIDTH - 10, 4))


def network_game(args, env, judge):
    """The window hosts "Anna" (the name set in Settings) against a headless "Bo": the names are
    told, a chat line typed in the window reaches Bo and shows in the window, and both see the
    same winner."""
    game = host_two_players(args, env, judge)
    player = subprocess.Popen([os.path.join(args.build, "velmora-player"), "--host", "127.0.0.1",
                               "--port", "1234", "--name", "Bo"], cwd=args.build,
                              stdout=subprocess.PIPE)
    try:
        own_turn(game, judge)
        game.key("t")
        game.type("Hi Bo")
        game.key("Return")
        save(args, "chat.png", wait_for("the chat line shown",
                                        lambda: (lambda m: shows_chat(m) and m)(game.shot()), 5))
        status = play_to_the_end(game, judge, argparse.Namespace(shots=None), drag=False)[0]
        lines = player.communicate(timeout=60)[0].decode().split("\n")
    finally:
        if player.poll() is None:
            player.kill()
    seen = "Game Over! You Win!" if "winner 0" in lines else "Game Over! You Lose, Bo Won!"
    if status != seen or "chat 0 Hi Bo" not in lines or "seats Anna, Bo" not in lines:
        raise Failure(f"the host saw '{status}', the joining player {lines}")
    # Bo has gone: "Play again" waits for a player to take the seat, or for the computer.
    time.sleep(END_GUARD_S)
    game.click(*PLAY_AGAIN)
    wait_for("the seat left empty to wait for a player",
             lambda: judge.status(game.shot()) == "Waiting for 1 more player to join", 10)
    # Waiting again, the host is found by a search as before its first game.
    offer = wait_for("the waiting host's answer to a search", search_answer, 5, 0.2)
    if offer[4:] != ["1234", "1", "2", "Anna"]:
        raise Failure(f"the host waiting again answered {offer}")
    game.click(*FILL_SEATS)
    own_turn(game, judge)
    if game.close() != 0:
        raise Failure("closing the host's window: " + game.output())
    print("network game:", status, "; played again with the computer in the seat left")


def search_answer():
    """The words of a host's answer to one search for games on this machine, or None."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.settimeout(0.5)
        s.sendto(b"VELMORA SEARCH 2 4242".ljust(160), ("127.0.0.1", PORT))
        try:
            words = s.recv(600).decode().split()
        except socket.timeout:
            return None
    return words if words[:4] == ["VELMORA", "GAME", "2", "4242"] else None


class SlowPeer:
    """A player of the game's own lines alone, on a socket of this test, that takes a while over
    each of its turns: while it thinks, the game waits."""

    def __init__(self, think_s=0.4):
        self.sock = socket.create_connection(("127.0.0.1", PORT), timeout=5)
        self.sock.settimeout(0.2)
        self.think_s, self.winner, self.stop = think_s, None, False
        # While held, the peer keeps its turn: the game waits for it.
        self.hold, self.turn_due = False, False
        self.thread = threading.Thread(target=self.play, daemon=True)
        self.thread.start()

    def send(self, text):
        self.sock.sendall((text + "\n").encode())

    def play(self):
        me, turn, pending = -1, -1, b""
        end = time.monotonic() + 300
        while not self.stop and self.winner is None and time.monotonic() < end:
            if self.turn_due and not self.hold:
                time.sleep(self.think_s)
                self.send("220")
                self.turn_due = False
            try:
                data = self.sock.recv(4096)
            except socket.timeout:
                continue
            if not data:
                return
            pending += data
            while b"\n" in pending:
                line, pending = pending.split(b"\n", 1)
                t = [int(x) for x in line.split()]
                if t[0] == 100:
                    me = t[3]
                    self.send("101 1")
                if t[0] in (300, 310):
                    turn = t[1]
                if t[0] == 310 and turn == me:
                    self.send("311")
                if t[0] == 200 and turn == me:
                    self.send("201")
                if t[0] == 300 and turn == me:
                    self.turn_due = True
                if t[0] == 105:
                    self.winner = t[1]

    def close(self):
        self.stop = True
        self.thread.join(5)
        self.sock.close()


def join_by_name(game, judge):
    game.click(60, MENU_TOP + 2 * BUTTON_H + 11)
    left_menu(game, judge)
    for _ in range(20):
        game.key("BackSpace")
    game.type("127.0.0.1")
    game.key("Return")


def rejoined(args, env, judge):
    """A window that joined a headless referee's game is killed on its turn; started again, its
    join screen offers "Rejoin the game at 127.0.0.1", and a click on it takes the seat back at
    the same table, with its hand, to play the game to its end: the other player sees the same
    winner. The turn the computer plays for the window may end the game: then another game."""
    for _ in range(3):
        status = rejoined_game(args, env, judge)
        if status:
            print("rejoined after a killed window:", status)
            return
    raise Failure("three games in a row ended in the turn the computer played for the window")


@contextlib.contextmanager
def joined_hidden_referee(args, env, judge):
    """A headless referee of two seats that answers no search, joined by the window (by name)
    and by a slow peer: (referee, game, peer) on the window's first turn. The peer closes and the
    referee ends with the block."""
    referee = subprocess.Popen([os.path.join(args.build, "velmora-referee"), "--players", "2",
                                "--hidden"], cwd=args.build, stdout=subprocess.DEVNULL)
    peer = None
    try:
        time.sleep(0.5)
        game = Game(args, env)
        at_menu(game, judge)
        join_by_name(game, judge)
        peer = SlowPeer()
        own_turn(game, judge)
        yield referee, game, peer
    finally:
        if peer:
            peer.close()
        referee.kill()
        referee.wait(10)


def rejoined_game(args, env, judge):
    """The window's status at the end of a game it rejoined; None if the game ended while the
    window was away."""
    with joined_hidden_referee(args, env, judge) as (_, game, peer):
        ticket = os.path.join(env["HOME"], ".local/state/velmora/rejoin.ini")
        wait_for("the ticket back into the game", lambda: os.path.exists(ticket), 5)
        if os.stat(ticket).st_mode & 0o077:
            raise Failure("the ticket back into the game can be read by others")
        # The game waits at the other player's next turn until the window is back.
        peer.hold = True
        game.proc.kill()
        game.proc.wait(10)
        game = Game(args, env)
        at_menu(game, judge)
        game.click(60, MENU_TOP + 2 * BUTTON_H + 11)
        left_menu(game, judge)
        # Offered once the host answered: the button, where the row was of the screen's colour.
        save(args, "rejoin-offered.png", wait_for("the ticket offered", lambda: (
            lambda m: m.pixel(60, 10 + 8 * 18 + 11) != m.pixel(WIDTH - 20, 10 + 8 * 18 + 11)
            and m)(game.shot()), 10))
        game.click(60, 10 + 8 * 18 + 11)
        image = wait_for("the table again", lambda: (lambda m: (judge.status(m) in (
            "It's your turn!", "Waiting for another player") or ended_away(judge, m, peer))
            and m)(game.shot()), 15)
        if ended_away(judge, image, peer):
            if os.path.exists(ticket):
                raise Failure("the ticket into a game that ended while the window was away stayed")
            if game.close() != 0:
                raise Failure("closing the window back at the menu: " + game.output())
            return None
        peer.hold = False
        if hand_size(image) < 1:
            raise Failure("the rejoined table shows no hand")
        status = play_to_the_end(game, judge, argparse.Namespace(shots=None), drag=False)[0]
        wait_for("the other player's end of the game", lambda: peer.winner is not None, 10)
    seen = "Game Over! You Win!" if status == "Game Over! You Win!" else \
        f"Game Over! You Lose, Player {peer.winner} Won!"
    if status != seen or os.path.exists(ticket):
        raise Failure(f"after the rejoin the window saw '{status}', the other player's winner was "
                      f"{peer.winner}; the ticket {'stayed' if os.path.exists(ticket) else 'went'}")
    if game.close() != 0:
        raise Failure("closing the rejoined window: " + game.output())
    return status


def host_killed(args, env, judge):
    """A host killed in the middle of a game: within 10 seconds the joined window is back at the
    menu, saying that the host is gone, and it keeps no ticket back into that game."""
    with joined_hidden_referee(args, env, judge) as (referee, game, _):
        referee.kill()
        referee.wait(10)
        save(args, "host-gone.png", wait_for(
            "the menu saying the host is gone", lambda: (lambda m: judge.status(m) ==
                                                         "Welcome to Velmora!" and
                                                         judge.says_below_menu(m, HOST_GONE) and m)(
                game.shot()), 10))
        if os.path.exists(os.path.join(env["HOME"], ".local/state/velmora/rejoin.ini")):
            raise Failure("the ticket back into a game whose host is gone stayed")
        if game.close() != 0:
            raise Failure("closing the window after the host went: " + game.output())
    print("host killed mid-game: the menu says so, no ticket kept")


def ended_away(judge, image, peer):
    """Whether the window is back at the menu because the game it left has ended."""
    return peer.winner is not None and judge.status(image) == "Welcome to Velmora!"


def two_windows(args, env, judge):
    """Two windows and a headless player in one game: "Anna" hosts three players, "Cy" (a home
    of its own) finds the game in its join screen's list and joins it with a click, then "Bo"
    joins; a chat line typed in Anna's window shows in Cy's, and both windows play to the same
    winner."""
    cy_env = dict(env, HOME=tempfile.mkdtemp(prefix="velmora-home-cy-"))
    set_setting(env["HOME"], "name", "Anna")
    set_setting(cy_env["HOME"], "name", "Cy")
    set_setting(cy_env["HOME"], "animations", "Off")
    anna = Game(args, env)
    at_menu(anna, judge)
    anna.click(60, MENU_TOP + BUTTON_H + 11)
    left_menu(anna, judge)
    anna.key("BackSpace")
    anna.type("3")
    anna.key("Return")
    wait_for("the host's waiting screen",
             lambda: judge.status(anna.shot()) == "Still waiting for clients to connect...", 10)
    cy = Game(args, cy_env)
    # Side by side, so that a click and a picture of one never meet the other.
    cy.run(["xdotool", "windowmove", cy.wid, str(WIDTH + 20), "0"])
    at_menu(cy, judge)
    cy.click(60, MENU_TOP + 2 * BUTTON_H + 11)
    left_menu(cy, judge)
    listed = wait_for("the host listed", lambda: (lambda m: m.pixel(12, LIST_ROW[1]) != TEAL
                                                  and m)(cy.shot()), 10)
    save(args, "join-list-window.png", listed)
    cy.click(*LIST_ROW)
    wait_for("the joiner's waiting screen",
             lambda: judge.status(cy.shot()) == "Waiting for 1 more player . . .", 10)
    bo = subprocess.Popen([os.path.join(args.build, "velmora-player"), "--host", "127.0.0.1",
                           "--name", "Bo"], cwd=args.build, stdout=subprocess.PIPE)
    try:
        wait_for("both tables", lambda: all(judge.status(g.shot()) in (
            "It's your turn!", "Waiting for another player") for g in (anna, cy)), 20)
        anna.key("t")
        anna.type("Hi Cy")
        anna.key("Return")
        save(args, "chat-window.png", wait_for(
            "Anna's line in Cy's window", lambda: (lambda m: shows_chat(m) and m)(cy.shot()), 5))
        statuses = play_both(judge, anna, cy)
        bo_lines = bo.communicate(timeout=60)[0].decode().split("\n")
    finally:
        if bo.poll() is None:
            bo.kill()
    names = ["Anna", "Cy", "Bo"]
    winners = {names[i] if s == "Game Over! You Win!" else s.split(", ")[1][:-len(" Won!")]
               for i, s in enumerate(statuses)}
    if len(winners) != 1 or "chat 0 Hi Cy" not in bo_lines:
        raise Failure(f"the windows ended with {statuses}, Bo heard {bo_lines}")
    for game in (anna, cy):
        if game.close() != 0:
            raise Failure("closing a window of the game: " + game.output())
    shutil.rmtree(cy_env["HOME"], ignore_errors=True)
    print("two windows and a headless player:", " / ".join(statuses))


def play_both(judge, *games):
    """Plays every own turn of each window with "Auto" until all show the game's end; their
    final status lines (at a server's table, each after the table's name)."""
    deadline = time.monotonic() + 300
    while time.monotonic() < deadline:
        statuses = [judge.status(g.shot()) for g in games]
        if all(s and "Game Over" in s for s in statuses):
            return statuses
        for game, status in zip(games, statuses):
            if status and status.endswith("It's your turn!"):
                game.click(*AUTO)
        time.sleep(0.2)
    raise Failure(f"the game of two windows did not end: {statuses}")


def in_lobby(game, judge, listed):
    """Waits for the lobby's list, with a table listed (its "Join" and "Watch" beside it) or
    none."""
    row = lambda m: any(m.pixel(x, LOBBY_ROW_Y - 7) == BUTTON_FACE for x in range(150, WIDTH))
    return wait_for("the lobby", lambda: (lambda m: judge.status(m) == "Tables at 127.0.0.1"
                                          and row(m) == listed and m)(game.shot()), 10)


def server_tables(args, env, judge):
    """Two windows meet at a table of a velmora-server started here, and a third watches: "Anna",
    started with --server, creates the table "Friday" for two in the lobby; "Bo" comes through
    the menu's "Play on a server..." and joins it with the keyboard; once the game is dealt,
    "Cy" watches it from the lobby, every seat around the board; the game is played to its end,
    where the watcher and both players agree on the winner, and "Leave" takes Cy back to the
    lobby."""
    at = f"127.0.0.1:{SERVER_PORT}"
    # The server's database is this run's own: the names its windows' keys hold go with it.
    database = os.path.join(tempfile.mkdtemp(prefix="velmora-server-"), "server.db")
    server = subprocess.Popen([os.path.join(args.build, "velmora-server"), "--port",
                               str(SERVER_PORT), "--database", database],
                              stderr=subprocess.PIPE)
    homes = {}
    try:
        for name in ("Bo", "Cy"):
            homes[name] = dict(env, HOME=tempfile.mkdtemp(prefix=f"velmora-home-{name}-"))
            set_setting(homes[name]["HOME"], "animations", "Off")
            set_setting(homes[name]["HOME"], "name", name)
        set_setting(env["HOME"], "name", "Anna")
        set_setting(env["HOME"], "players", "2")
        anna = Game(args, env, options=["--server", at])
        in_lobby(anna, judge, False)
        anna.click(*CREATE_TABLE)
        wait_for("the new table's form",
                 lambda: judge.status(anna.shot()) == "A new table at 127.0.0.1", 10)
        # The form at rest asks nothing of the processor.
        before = anna.cpu_seconds()
        time.sleep(1)
        if anna.cpu_seconds() - before > 0.2:
            raise Failure(f"the table's form used {anna.cpu_seconds() - before:.2f} s in a second")
        for _ in range(24):
            anna.key("BackSpace")
        anna.type("Friday")
        anna.key("Return")
        wait_for("the table's wait", lambda: judge.status(anna.shot()) ==
                 "Friday: Waiting for 1 more player . . .", 10)
        bo = Game(args, homes["Bo"])
        bo.run(["xdotool", "windowmove", bo.wid, str(WIDTH + 20), "0"])
        at_menu(bo, judge)
        bo.click(60, MENU_TOP + 3 * BUTTON_H + 11)
        left_menu(bo, judge)
        bo.type(at)
        bo.key("Return")
        save(args, "lobby.png", in_lobby(bo, judge, True))
        for k in TO_FIRST_TABLE + ("Return",):
            bo.key(k)
        wait_for("both tables", lambda: all(judge.status(g.shot()) in (
            "Friday: It's your turn!", "Friday: Waiting for another player") for g in (anna, bo)),
            20)
        cy = Game(args, homes["Cy"], options=["--server", at])
        cy.run(["xdotool", "windowmove", cy.wid, str(2 * (WIDTH + 20)), "0"])
        in_lobby(cy, judge, True)
        # "Join" is not offered at a table in play: the next choice is "Watch".
        for k in TO_FIRST_TABLE + ("Return",):
            cy.key(k)
        watched = wait_for("the watched table", lambda: (lambda m: (judge.status(m) or "")
                                                         .startswith("Watching Friday") and m)(
            cy.shot()), 10)
        save(args, "watching.png", watched)
        statuses = play_both(judge, anna, bo)
        winner = "Anna" if statuses[0].endswith("You Win!") else "Bo"
        wait_for("the watcher's end", lambda: judge.status(cy.shot()) ==
                 f"Watching Friday. Game Over! {winner} Won!", 10)
        if statuses[1 if winner == "Anna" else 0] != f"Friday: Game Over! You Lose, {winner} Won!":
            raise Failure(f"the players ended with {statuses}, the watcher saw {winner} win")
        before = cy.cpu_seconds()
        time.sleep(1)
        if cy.cpu_seconds() - before > 0.2:
            raise Failure(f"the watched table used {cy.cpu_seconds() - before:.2f} s in a second")
        cy.click(*END_LOWER)
        in_lobby(cy, judge, True)
        for game in (anna, bo, cy):
            if game.close() != 0:
                raise Failure("closing a window at the server: " + game.output())
    finally:
        server.terminate()
        log = server.communicate(timeout=10)[1].decode(errors="replace")
        for home in homes.values():
            shutil.rmtree(home["HOME"], ignore_errors=True)
    if 'event=game-ended table="Friday"' not in log:
        raise Failure("the server did not log the game's end: " + log)
    print("two windows and a watcher at a server's table: " + " / ".join(statuses))


def closing(args, env, judge):
    game = Game(args, env)
    at_menu(game, judge)
    if game.close() != 0:
        raise Failure("closing the menu: " + game.output())
    game = host_two_players(args, env, judge)
    if game.close() != 0:
        raise Failure("closing while waiting for players: " + game.output())
    print("closing: menu and waiting screen end with status 0")


def late_display(args, env):
    """An X display that takes connections only a moment after the game started (a server still
    starting, or one resetting after its last client left): the game tries it again and opens its
    window, and ends with status 0."""
    n = next(n for n in range(190, 290) if not os.path.exists(f"/tmp/.X{n}-lock")
             and not os.path.exists(f"/tmp/.X11-unix/X{n}"))
    late = dict(env, DISPLAY=f":{n}")
    game = subprocess.Popen([os.path.join(args.build, "velmora")], cwd=args.build, env=late,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    time.sleep(0.3)
    server = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1024x768x24", "-noreset",
                               "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    try:
        def window():
            if game.poll() is not None:
                raise Failure("the game gave up on the display that came late: " +
                              game.stdout.read().decode())
            return subprocess.run(["xdotool", "search", "--name", "^Velmora$"], env=late,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  timeout=10).returncode == 0
        wait_for("the window on the display that came late", window, 10, 0.1)
        game.terminate()
        if game.wait(10) != 0:
            raise Failure("the game on the late display: " + game.stdout.read().decode())
    finally:
        if game.poll() is None:
            game.kill()
        server.terminate()
        server.wait(10)
    print("a display that came late: the game waited for it")


def laid_from_keys(game, judge):
    """Lays a hand card with the keys, without ending the turn or the game; whether one was laid.
    A press on the empty table then hides the keyboard's marks."""
    # A press first lands the cards still moving to the hand.
    game.click(700, 300)
    time.sleep(0.2)
    before = hand_size(game.shot())
    # The last card would end the game: there would be nothing left to keep.
    if before < 2:
        return False
    for card in range(before):
        game.key("Right")
        for pile in range(8):
            game.key("Tab")
            game.key("Return")
            # A card that does not fit is refused at once, with a word.
            image = wait_for("a card laid or refused", lambda: (lambda m: (
                hand_size(m) == before - 1 or judge.status(m) == REFUSED) and m)(game.shot()), 5)
            if judge.status(image) == REFUSED:
                continue
            game.click(700, 300)
            wait_for("the keyboard's marks hidden",
                     lambda: not has_colour(game.shot(), CHOSEN_RING, 0, HEIGHT), 5)
            return True
    return False


def set_setting(home, key, value):
    path = os.path.join(home, ".config/velmora/settings.ini")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    lines = ["version=1"]
    if os.path.exists(path):
        with open(path) as f:
            lines = [line for line in f.read().splitlines() if not line.startswith(key + "=")]
    with open(path, "w") as f:
        f.write("\n".join(lines + [f"{key}={value}"]) + "\n")


def turn_back(judge, image, before):
    """Whether the others have played since the picture `before`: the player's turn (or the
    game's end) is back on a changed table."""
    status = judge.status(image) or ""
    return (status == "It's your turn!" or status.startswith("Game Over")) and not same_pixels(
        image.data, before.data)


def settled(game, before, judge):
    """The table once the others have played after "Done" and the picture is the same for half
    a second."""
    last = wait_for("the player's next turn",
                    lambda: (lambda m: turn_back(judge, m, before) and m)(game.shot()), 20)
    for _ in range(40):
        time.sleep(0.5)
        image = game.shot()
        if same_pixels(image.data, last.data):
            return image
        last = image
    raise Failure("the table never comes to rest")


def moving_cards(args, env, judge, saved):
    """A kept game continued and played on with "Done" three times: its cards still, moving
    slowly, and moving slowly with a press in mid-move. The moving cards end on the picture of
    the still ones, and the press lands them at once."""
    home = env["HOME"]
    ends = []
    # A game the others' moves end is counted: each run starts from the same record.
    record = os.path.join(home, STATISTICS_FILE)
    counts = None
    if os.path.exists(record):
        with open(record) as f:
            counts = f.read()
    for pace, press in (("Off", False), ("Slow", False), ("Slow", True)):
        set_setting(home, "animations", pace)
        with open(os.path.join(home, SAVED_GAME), "w") as f:
            f.write(saved)
        put_back(record, counts)
        game = Game(args, env)
        at_menu(game, judge)
        game.click(*CONTINUE)
        before = own_turn(game, judge)
        game.key("d")
        if press:
            # The status line tells the others' turn while their cards fly.
            mid = wait_for("the others' moves", lambda: (lambda m: judge.status(m) ==
                                                         "Waiting for another player" and
                                                         not same_pixels(m.data, before.data)
                                                         and m)(game.shot()), 20)
            if same_pixels(mid.data, ends[0].data):
                raise Failure("the cards do not move at \"Slow\"")
            save(args, "moving.png", mid)
            game.click(700, 300)
            time.sleep(0.2)
            ends.append(game.shot())
        else:
            ends.append(settled(game, before, judge))
        if game.close() != 0:
            raise Failure("closing a continued game: " + game.output())
        # A window closed on a game in play keeps it again; the others' moves may have ended it.
        over = (judge.status(ends[-1]) or "").startswith("Game Over")
        if os.path.exists(os.path.join(home, SAVED_GAME)) == over:
            raise Failure(f"a window closed on '{judge.status(ends[-1])}' kept the wrong thing")
    # The menu goes on without a kept game.
    put_back(os.path.join(home, SAVED_GAME), None)
    set_setting(home, "animations", "Off")
    for end, how in ((ends[1], "in time"), (ends[2], "by a press in mid-move")):
        if not same_pixels(end.data, ends[0].data):
            save(args, "moving-differs.png", end)
            raise Failure(f"the cards that moved and landed {how} differ from the still table")
    print("moving cards: the same table as still ones, landed in time and by a press")


def put_back(path, text):
    """Writes `text` into the file `path`; where `text` is None, the file goes."""
    if text is not None:
        with open(path, "w") as f:
            f.write(text)
    elif os.path.exists(path):
        os.remove(path)


def counted(home, kind):
    """The games of `kind` the statistics file counts."""
    path = os.path.join(home, STATISTICS_FILE)
    section, played = None, 0
    if not os.path.exists(path):
        return 0
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line.startswith("["):
                section = line[1:-1]
            elif section == kind and line.startswith("played="):
                played = int(line.split("=")[1])
    return played


def remembered(args, env, judge):
    """A local game closed mid-turn continues at the same table with its move undoable; a
    setting survives a restart; a finished game is counted. Starts with no saved game."""
    home = env["HOME"]
    # This game's cards move as they do by default.
    set_setting(home, "animations", "Normal")
    game = Game(args, env)
    at_menu(game, judge)
    game.click(*CHOSEN_GAME)
    for attempt in range(40):
        # While the others' cards fly the status line waits: a press would land them and "Auto"
        # would play the turn that follows.
        status = judge.status(wait_for("the player's turn or the end", lambda: (lambda m: (
            judge.status(m) or "").startswith(("It's your turn!", "Game Over")) and m)(
                game.shot()), 30))
        # The card laid may have been the hand's last: a game over has nothing to keep. A slow
        # build may show the emptied hand before "Game Over".
        if status == "It's your turn!" and laid_from_keys(game, judge):
            image = game.settled()
            if judge.status(image) == "It's your turn!" and hand_size(image) > 0:
                break
        status = judge.status(game.shot())
        if status and status.startswith("Game Over"):
            time.sleep(END_GUARD_S)
        game.click(*(PLAY_AGAIN if status and status.startswith("Game Over") else AUTO))
        time.sleep(0.5)
    else:
        raise Failure("no card could be laid from the keys in 40 turns")
    closed = game.settled()
    if game.close() != 0:
        raise Failure("closing a local game: " + game.output())
    with open(os.path.join(home, SAVED_GAME)) as f:
        saved = f.read()
    game = Game(args, env)
    menu = at_menu(game, judge)
    save(args, "continue.png", menu)
    game.click(*CONTINUE)
    taken_up = own_turn(game, judge)
    if not same_pixels(taken_up.data, closed.data):
        save(args, "continued-differs.png", taken_up)
        raise Failure("the continued game is not the table the window closed on")
    before = hand_size(taken_up)
    game.click(*UNDO)
    try:
        wait_for("the laid card back in the hand", lambda: hand_size(game.shot()) == before + 1, 5)
    except Failure:
        seen = game.shot()
        save(args, "undo-failed.png", seen)
        raise Failure(f"Undo after Continue: {before} hand cards before, {hand_size(seen)} after")
    # The right button held on a pile spreads it out on a darker band; released, it folds back.
    x, y = PILE_CENTRES[0]
    game.pointer(game.move(x, y), ["mousedown", "3"])
    spread = wait_for("a pile looked through",
                      lambda: (lambda m: has_colour(m, LOOK_BAND) and m)(game.shot()), 5)
    save(args, "look-through.png", spread)
    game.pointer(["mouseup", "3"])
    wait_for("the pile folded back", lambda: not has_colour(game.shot(), LOOK_BAND), 5)
    if game.close() != 0:
        raise Failure("closing a continued game: " + game.output())
    moving_cards(args, env, judge, saved)
    game = Game(args, env)
    at_menu(game, judge)

    game.click(*SETTINGS)
    left_menu(game, judge)
    game.click(*SETTINGS_NAME)
    time.sleep(0.3)
    for _ in range(16):
        game.key("BackSpace")
    game.type("Anna")
    game.key("Return")
    time.sleep(0.3)
    changed = game.shot()
    save(args, "settings.png", changed)
    if game.close() != 0:
        raise Failure("closing the Settings screen: " + game.output())
    game = Game(args, env)
    at_menu(game, judge)
    game.click(*SETTINGS)
    left_menu(game, judge)
    time.sleep(0.3)
    if not same_pixels(game.shot().data, changed.data):
        raise Failure("the Settings screen after a restart differs from the one before")
    game.key("Escape")
    at_menu(game, judge)

    game.click(*STATISTICS)
    left_menu(game, judge)
    time.sleep(0.3)
    table = game.shot().rows(*TABLE_ROWS)
    game.key("Escape")
    at_menu(game, judge)
    kind = "local 2 auto"
    played = counted(home, kind)
    game.click(60, MENU_TOP + 11)
    status = play_to_the_end(game, judge, argparse.Namespace(shots=None), drag=False)[0]
    summary = game.shot().left(28, 18, TEXT_WIDTH)
    if all(summary[i:i + 3] == bytes(TEAL) for i in range(0, len(summary), 3)):
        raise Failure("the end of the game shows no line of the player's record")
    game.key("Escape")
    at_menu(game, judge)
    game.click(*STATISTICS)
    left_menu(game, judge)
    time.sleep(0.3)
    shown = game.shot()
    save(args, "statistics.png", shown)
    if same_pixels(shown.rows(*TABLE_ROWS), table) or counted(home, kind) != played + 1:
        raise Failure(f"the game that ended '{status}' is not counted")
    game.key("Escape")
    menu = at_menu(game, judge)
    # F1 opens the rules over the menu, Esc gives the menu back.
    game.key("F1")
    rules = wait_for("the rules", lambda: (lambda m: judge.status(m) is None and m)(game.shot()), 5)
    save(args, "rules.png", rules)
    game.key("Escape")
    if not same_pixels(at_menu(game, judge).data, menu.data):
        raise Failure("the menu after the rules differs from the one before")
    if game.close() != 0:
        raise Failure("closing the menu: " + game.output())
    print("kept: a game continued at its table, a setting, a finished game counted; the rules")


def geometry(game):
    out = game.run(["xdotool", "getwindowgeometry", game.wid])
    return tuple(int(n) for n in out.split("Geometry:")[1].split()[0].split("x"))


def scaled_local_game(args, env, judge):
    """On a 2048 x 1536 screen the window starts at twice the picture's size, every picture pixel
    a sharp 2 x 2 block; a local game is played there with drags at the scaled positions. F11
    fills the screen and gives the window back."""
    game = Game(args, env, scale=2)
    at_menu(game, judge)
    if geometry(game) != (1600, 1200):
        raise Failure(f"the window started at {geometry(game)}, not 1600 x 1200")
    game.click(60, MENU_TOP + 11)
    own_turn(game, judge)
    image = game.window_shot()
    save(args, "game-2x.png", image)
    if any(len({image.pixel(x + dx, y + dy) for dx in (0, 1) for dy in (0, 1)}) != 1
           for y in range(0, 1200, 10) for x in range(0, 1600, 10)):
        raise Failure("the picture at twice its size is not made of 2 x 2 blocks")
    for size in ((2048, 1536), (1600, 1200)):
        game.key("F11")
        wait_for(f"the window at {size}", lambda: geometry(game) == size, 5)
        time.sleep(0.5)  # the new mode settles (its keyboard grab) before the next key
    statuses, dragged = [], False
    while not dragged:
        if len(statuses) == 3:
            raise Failure("no hand card could be laid by dragging in three games at twice the size")
        if statuses:
            time.sleep(END_GUARD_S)
            game.click(*PLAY_AGAIN)
        status, dragged, _, _ = play_to_the_end(game, judge, argparse.Namespace(shots=None),
                                                drag=True)
        statuses.append(status)
    if game.close() != 0:
        raise Failure("closing the window twice the size: " + game.output())
    print("local games at twice the size:", ", then ".join(statuses))


def said(games):
    """Tells what the status line of each window still open reads."""
    for n, game in enumerate(g for g in games if g.wid and g.proc.poll() is None):
        image = game.try_shot()
        if image:
            status = Judge(game.args).status(image)
            print(f"window {n} shows: {status or 'no status line the test knows'}")
            save(game.args, f"failed-{n}.png", image)


def on_display(body, size="1024x768"):
    """Runs body(env) with the game's X display, then stops every game and the display; the
    status: 0, or 1 after saying what failed."""
    display = Xvfb(size)
    # SDL must not fall back to another driver: without the display the game is to fail. The
    # game keeps its files in a home folder of its own, never in the real one.
    home = tempfile.mkdtemp(prefix="velmora-home-")
    env = dict(os.environ, DISPLAY=display.name, SDL_VIDEODRIVER="x11", HOME=home)
    for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"):
        env.pop(name, None)
    # The texts compared are English, whatever language the machine speaks; no sound is played.
    for name in ("LANGUAGE", "LC_ALL", "LC_MESSAGES"):
        env.pop(name, None)
    env.update(LANG="C.UTF-8", SDL_AUDIODRIVER="dummy")
    # Pictures are compared as soon as the model has moved on: the cards do not move, but where
    # a test asks for it.
    set_setting(home, "animations", "Off")
    try:
        body(env)
    except (Failure, subprocess.SubprocessError, OSError) as e:
        print("FAILED:", e)
        said(Game.running)
        return 1
    finally:
        for game in Game.running:
            if game.proc.poll() is None:
                game.proc.kill()
        display.close()
        shutil.rmtree(home, ignore_errors=True)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--shots")
    parser.add_argument("--smoke", action="store_true",
                        help="only local games with the mouse, for a sanitizer build")
    parser.add_argument("--part", choices=("local", "network", "chosen", "server"),
                        help="only a part: the two-player local games; every game hosted on "
                             "this machine's port 1234; or the kept files and the menu's chosen "
                             "game; or the tables of a velmora-server and the scaled window. Each "
                             "uses displays of its own, so that the parts may run side by side")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    if args.smoke:
        return on_display(lambda env: local_game(args, env, Judge(args)))

    def local(env):
        local_game(args, env, Judge(args))

    def network(env):
        judge = Judge(args)
        # The name the local half types in Settings.
        set_setting(env["HOME"], "name", "Anna")
        closing(args, env, judge)
        late_display(args, env)
        join_silent_host(args, env, judge)
        network_game(args, env, judge)
        rejoined(args, env, judge)
        host_killed(args, env, judge)
    status = 0
    if args.part in (None, "local"):
        status = on_display(local)
    if args.part in (None, "network"):
        status = (status or on_display(network) or
                  on_display(lambda env: two_windows(args, env, Judge(args)), "1700x700"))
    if args.part in (None, "server"):
        status = (status or
                  on_display(lambda env: server_tables(args, env, Judge(args)), "2500x700") or
                  on_display(lambda env: scaled_local_game(args, env, Judge(args)), "2048x1536"))
    if args.part in (None, "chosen"):
        status = (status or on_display(lambda env: remembered(args, env, Judge(args))) or
                  on_display(lambda env: strong_local_games(args, env, Judge(args))))
    return status


if __name__ == "__main__":
    sys.exit(main())
