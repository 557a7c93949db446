-- The end: the score, and the best score of every run, kept in the Documents folder and in
-- the global "best". The trophy grows and turns once, by the action set "grow".

local BestFile = "Quorlin/Vaskerel/best.txt"

function InitResults(self)
    local score = globals:getInt("score")
    local best = math.tointeger(tonumber(Resources.ResourceManager.openFile(BestFile))) or 0
    if score > best then
        best = score
        Resources.ResourceManager.saveFile(BestFile, tostring(best))
    end
    analytic:setIntData("score", score)
    self.owner:getSpriteFont():setText("Score " .. score .. "   Best " .. best)
    globals:addInt("best", best)
    actions:attachActionSet(gameObjects:find("Trophy"), "grow")
end

function UpdateResults(self)
end

function DeinitResults(self)
end

function UnloadResults()
end
