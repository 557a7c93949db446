-- The player. Each tapped direction moves it one tile, never off the board; taps made while
-- it moves wait their turn, so where it ends depends only on the taps. It glides at Speed
-- tiles a second through its rigid body and snaps onto each tile it reaches; its sheet walks
-- while it moves, and each move starts a footstep in its own audio group. The tile it is on
-- or heading for is kept in the globals "col" and "row".

local Speed = 5
local Directions = {Left = {-1, 0}, Right = {1, 0}, Up = {0, 1}, Down = {0, -1}}

local function sign(v)
    return v > 0 and 1 or (v < 0 and -1 or 0)
end

local function publish(col, row)
    globals:addInt("col", col)
    globals:addInt("row", row)
end

-- The tile the last queued move ends on; at first the tile the player stands on. The board
-- is read when first needed, once its script has started.
local function planned(self)
    if self.planned == nil then
        local board = luaScript:getGlobalTable("board")
        local at = self.transform.LocalTranslation
        self.planned = {math.tointeger(at.x - board.left), math.tointeger(at.y - board.bottom)}
    end
    return self.planned
end

local function queueMove(self, direction)
    local board = luaScript:getGlobalTable("board")
    local col = planned(self)[1] + direction[1]
    local row = planned(self)[2] + direction[2]
    if col >= 0 and col < board.cols and row >= 0 and row < board.rows then
        self.planned = {col, row}
        table.insert(self.moves, {col, row})
    end
end

function playerLeft(self) queueMove(self, Directions.Left) end
function playerRight(self) queueMove(self, Directions.Right) end
function playerUp(self) queueMove(self, Directions.Up) end
function playerDown(self) queueMove(self, Directions.Down) end

function InitPlayer(self)
    self.planned = nil
    self.moves = {}
    self.target = nil
    self.body = self.owner:getRigidBody()
    self.sprite = self.owner:getSprite()
    self.steps = self.owner:getAudio().audioGroup
    for _, name in ipairs({"Left", "Right", "Up", "Down"}) do
        input:listenToInput(self.handle, name, ButtonState.ButtonTapped, "player" .. name)
    end
end

local function startNextMove(self)
    self.target = table.remove(self.moves, 1)
    if self.target == nil then
        self.body.Velocity = Math.Vector3f.make(0, 0, 0)
        self.sprite:changeAnimation("idle")
        return
    end
    publish(self.target[1], self.target[2])
    audio:play("sounds/step.wav", self.steps, false, 0, 1)
    if self.sprite:getCurrentAnimation() ~= "walk" then
        self.sprite:changeAnimation("walk")
    end
end

-- The body moves the player in the physics step before this one; the last stretch of a move
-- is a snap, so every move ends exactly on its tile.
function UpdatePlayer(self, dt)
    if self.target == nil then
        if #self.moves == 0 then
            return
        end
        startNextMove(self)
    end
    local board = luaScript:getGlobalTable("board")
    local at = self.transform.LocalTranslation
    local dx = board.left + self.target[1] - at.x
    local dy = board.bottom + self.target[2] - at.y
    if math.abs(dx) + math.abs(dy) <= Speed * dt then
        at.x = board.left + self.target[1]
        at.y = board.bottom + self.target[2]
        self.transform.LocalTranslation = at
        startNextMove(self)
        if self.target == nil then
            return
        end
        dx = board.left + self.target[1] - at.x
        dy = board.bottom + self.target[2] - at.y
    end
    self.body.Velocity = Math.Vector3f.make(sign(dx) * Speed, sign(dy) * Speed, 0)
end

function DeinitPlayer(self)
end

function UnloadPlayer()
end
