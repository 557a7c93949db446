-- The level's board. Its data gives the grid ("cols" by "rows" tiles of one unit, tile (0, 0)
-- centred at ("left", "bottom")) and the tiles of the coins it places itself ("coins": "c,r"
-- pairs); the stage places the others. It publishes the grid for the other scripts in the
-- named table "board", starts the score, and starts the music and the wind once every sound
-- of the stage has loaded.

function InitBoard(self)
    local board = luaScript:getGlobalTable("board")
    board.cols = math.tointeger(tonumber(self.cols))
    board.rows = math.tointeger(tonumber(self.rows))
    board.left = tonumber(self.left)
    board.bottom = tonumber(self.bottom)
    globals:addInt("score", 0)
    globals:addInt("coinEnters", 0)
    for col, row in string.gmatch(self.coins or "", "(%d+),(%d+)") do
        sets:createWithPos2D("Coin", Math.Vector2f.make(board.left + tonumber(col), board.bottom + tonumber(row)))
    end
    self.playing = false
end

function UpdateBoard(self)
    if not self.playing and resources:isDone() then
        self.playing = true
        audio:playBGM("sounds/music.wav")
        audio:playAmbience("sounds/wind.wav")
    end
end

function DeinitBoard(self)
end

function UnloadBoard()
end
