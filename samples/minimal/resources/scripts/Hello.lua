-- The one script class of the smallest game. The picture moves with the arrow keys; Escape
-- ends the game. Every class defines Init, Update, Deinit and Unload, named after its file.

local Speed = 3 -- world units a second

function InitHello(self)
    Debug.log("Hello: " .. self.owner.name)
end

function UpdateHello(self, dt)
    local x, y = 0, 0
    if input:isButtonDown(Keys.ORVA_ARROW_LEFT) then x = x - 1 end
    if input:isButtonDown(Keys.ORVA_ARROW_RIGHT) then x = x + 1 end
    if input:isButtonDown(Keys.ORVA_ARROW_DOWN) then y = y - 1 end
    if input:isButtonDown(Keys.ORVA_ARROW_UP) then y = y + 1 end
    -- Reading LocalTranslation gives a copy: change it, then write it back.
    local at = self.transform.LocalTranslation
    at.x = at.x + x * Speed * dt
    at.y = at.y + y * Speed * dt
    self.transform.LocalTranslation = at
    if input:isButtonTapped(Keys.ORVA_ESCAPE) then
        engine:exit()
    end
end

function DeinitHello(self)
end

function UnloadHello()
end
