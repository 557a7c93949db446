-- The game's flow: one object in every stage carries it. Its data names the recording that
-- plays the stage in demo mode ("recording") and what the "Start" action does there ("next":
-- the state to enter; "exit" to save the play-data report, log the score and the best score,
-- and end the game; nothing in the level). The first stage entered switches every kind of
-- play-data tracking on and ties the keys and pad buttons to the game's named actions, which
-- last for the run.
--
-- Demo mode, for runs nobody watches: with DEMO_AUTOPLAY set, each stage replays its
-- recording once everything it asked for has loaded (every state change ends a replay, so
-- each stage has its own). DEMO_EXIT_AFTER, a whole number n, ends the game at the nth
-- update, counted across stages.

local autoplay = os.getenv("DEMO_AUTOPLAY") ~= nil
local exitAfter = math.tointeger(tonumber(os.getenv("DEMO_EXIT_AFTER") or ""))
local Report = "report.oad"

-- Kept for the whole run: the interpreter outlives every stage.
local updates = 0
local started = false

local Bindings = {
    {"Start", Keys.ORVA_ENTER, Keys.ORVA_SPACE, Keys.ORVA_CONTROLLER1_START, Keys.ORVA_CONTROLLER1_A},
    {"Left", Keys.ORVA_ARROW_LEFT, Keys.ORVA_A, Keys.ORVA_CONTROLLER1_DPAD_LEFT},
    {"Right", Keys.ORVA_ARROW_RIGHT, Keys.ORVA_D, Keys.ORVA_CONTROLLER1_DPAD_RIGHT},
    {"Up", Keys.ORVA_ARROW_UP, Keys.ORVA_W, Keys.ORVA_CONTROLLER1_DPAD_UP},
    {"Down", Keys.ORVA_ARROW_DOWN, Keys.ORVA_S, Keys.ORVA_CONTROLLER1_DPAD_DOWN},
}

local function startTheRun()
    analytic:enableAll()
    for _, binding in ipairs(Bindings) do
        for k = 2, #binding do
            input:tieKeyToAction(binding[k], binding[1])
        end
    end
end

function InitGame(self)
    Debug.print("Game: " .. gameState.currentState)
    if not started then
        started = true
        startTheRun()
    end
    self.replaying = false
    input:listenToInput(self.handle, "Start", ButtonState.ButtonTapped, "gameStart")
end

function UpdateGame(self)
    updates = updates + 1
    if autoplay and not self.replaying and self.recording and resources:isDone() then
        self.replaying = true
        input:useTrackingData(self.recording)
    end
    if updates == exitAfter then
        Debug.print("Game: exit after " .. exitAfter .. " updates")
        engine:exit()
    end
end

function gameStart(self)
    if self.next == "exit" then
        analytic:save(Report)
        Debug.print("Game: score " .. globals:getInt("score") .. ", best " .. globals:getInt("best"))
        engine:exit()
    elseif self.next then
        gameState:changeState(self.next)
    end
end

function DeinitGame(self)
end

function UnloadGame()
end
