-- The shop between missions. Runs as the idle state of the shop window's script handler
-- (named "interface", so it hears every widget of the screen).
--
-- The player picks one of their droids on the left and an entry of the catalogue on the
-- right. Buy buys a droid model, or fits the part to the chosen droid; Remove takes a weapon
-- or a device off it; Sell droid sells the chosen droid. Prices are the last column of each
-- part's table row (data\GameData); a droid model costs its hull and its parts. Whatever is
-- taken off or sold pays back half its price. Continue keeps what was bought (FixState: the
-- next mission rebuilds the player's droids from that snapshot) and tells the main script
-- "shop_done".
--
-- The name field of the droid tab is always being edited (SetEdit): what the keyboard types
-- goes into it, and the pointer stays free, so Buy takes the name as it is typed, Enter or
-- no Enter. A click on the field clears the name the shop suggested, for the player's own.

-- ---- The rules ----------------------------------------------------------------------------

local HULL_PRICE = 50      -- what a droid costs besides its parts
local MAX_DROIDS = 6       -- the droid list's rows
local MAX_DEVICES = 2      -- devices one droid carries, each kind once
local MAX_WEAPONS = 8      -- no chassis carries more; bounds the trade-in of a weapon
local ITEM_ROWS = 5        -- the catalogue list's rows
local NAME_LENGTH = 16     -- the longest droid name
-- The catalogue's tabs, in order.
local KINDS = { "droid", "weapon", "armor", "chassis", "device" }

-- Half a price, rounded down: what a part or droid fetches when sold.
local function Refund(price)
  return math.floor(price / 2)
end

-- A number as a short text: 12, 1.5, 0.05.
local function Number(x)
  if x == math.floor(x) then return string.format("%.0f", x) end
  return (string.gsub(string.format("%.2f", x), "%.?0+$", ""))
end

-- A name fit for a text box, where "#" would break the line.
local function Clean(text)
  return (string.gsub(text or "", "#", " "))
end

-- ---- Reading the catalogues ----------------------------------------------------------------

-- A part of the weapon, armor, chassis or device catalogue: name, figures (the numbers of its
-- row), icon and price (the last two columns). A part the catalogue does not hold ("none",
-- or a bad name in a save) has an empty name, no icon and the price 0.
local function Part(kind, id)
  local fields = { GetProductInfo(kind, id) }
  local n = table.getn(fields)
  local part = { id = id, name = "", figures = {}, icon = "", price = 0 }
  if n < 3 then return part end
  part.name = fields[1]
  for i = 2, n - 2 do part.figures[i - 1] = fields[i] end
  part.icon = fields[n - 1]
  part.price = math.max(0, math.floor(tonumber(fields[n]) or 0))
  return part
end

-- A part's name to show: its catalogue name, else its key.
local function PartName(kind, id)
  if id == "none" or id == "" then return "none" end
  local name = Part(kind, id).name
  return Clean(name ~= "" and name or id)
end

-- The weapons a chassis carries (its third figure), at least 1.
local function Mounts(chassis)
  local mounts = math.floor(tonumber(Part("chassis", chassis).figures[3]) or 1)
  return math.max(1, math.min(mounts, MAX_WEAPONS))
end

-- A droid record of the droid catalogue ("droid", model id) or of the player's list
-- ("user", index from 0).
local function DroidRecord(kind, id)
  local f = { GetProductInfo(kind, tostring(id)) }
  local droid = { name = f[1] or "", unlock = f[2] or 0, chassis = f[3] or "", armor = f[4] or "",
                  weapon = f[5] or "none", weapons = math.max(0, f[6] or 0), devices = {} }
  for i = 1, math.min(f[7] or 0, table.getn(f) - 7) do droid.devices[i] = f[7 + i] end
  return droid
end

-- One of the player's droids. A droid that still bears the engine's standard name ("Дроид -
-- 3", the same for every standard droid) is shown as "Droid" and its place in the list.
local STANDARD_NAME = "\196\240\238\232\228 - "
local function UserDroid(index)
  local droid = DroidRecord("user", index)
  if droid.name == "" or string.sub(droid.name, 1, string.len(STANDARD_NAME)) == STANDARD_NAME then
    droid.name = "Droid " .. (index + 1)
  end
  return droid
end

-- What a droid is worth new: its hull and every part.
local function DroidPrice(droid)
  local price = HULL_PRICE + Part("chassis", droid.chassis).price + Part("armor", droid.armor).price
  if droid.weapon ~= "none" then
    price = price + Part("weapon", droid.weapon).price * math.min(droid.weapons, MAX_WEAPONS)
  end
  for _, device in ipairs(droid.devices) do price = price + Part("device", device).price end
  return price
end

-- The ids of a catalogue, cheapest first (then by id), and the price of each.
local function Catalogue(kind)
  local ids, prices = {}, {}
  for i = 0, GetProductInfoCount(kind) - 1 do
    local id = GetProductInfoID(kind, i)
    table.insert(ids, id)
    prices[id] = kind == "droid" and DroidPrice(DroidRecord("droid", id)) or Part(kind, id).price
  end
  table.sort(ids, function(a, b)
    if prices[a] ~= prices[b] then return prices[a] < prices[b] end
    return a < b
  end)
  return ids, prices
end

-- The weapon a droid carries, as a text: "Arc gun x2", "no weapon".
local function WeaponText(droid)
  if droid.weapon == "none" or droid.weapons < 1 then return "no weapon" end
  return PartName("weapon", droid.weapon) .. " x" .. droid.weapons
end

-- The devices a droid carries, as a text.
local function DevicesText(droid)
  if table.getn(droid.devices) == 0 then return "no devices" end
  local names = {}
  for i, device in ipairs(droid.devices) do names[i] = PartName("device", device) end
  return table.concat(names, ", ")
end

-- ---- Quotes: what an action would cost and do ----------------------------------------------
-- Each answers ok, the points paid, the points paid back, and a text that says so or why not.

-- An action that pays the price and gets back what the part it replaces (tradeIn, named as
-- the quote names it) fetches. Short of points, the text gives the listed price first and
-- the trade-in, so that it agrees with the price list.
local function Afford(pay, back, text, tradeIn)
  local points = GetPointsCount()
  if pay - back > points then
    local cost = tostring(pay)
    if back > 0 then cost = pay .. " less " .. back .. " back for " .. tradeIn .. ", " .. (pay - back) .. " in all" end
    return false, pay, back, "Not enough points: that costs " .. cost .. "; you have " .. points .. "."
  end
  return true, pay, back, text
end

local function QuoteModel(model)
  local droid = DroidRecord("droid", model)
  local price = DroidPrice(droid)
  if droid.unlock > GetLastLevel() then
    return false, price, 0, "The " .. Clean(droid.name) .. " joins the shop for mission " .. droid.unlock .. "."
  end
  if GetUserDroidsCount() >= MAX_DROIDS then
    return false, price, 0, "You command " .. MAX_DROIDS .. " droids already: sell one first."
  end
  return Afford(price, 0, "Buy a " .. Clean(droid.name) .. " for " .. price .. " points.")
end

-- Fitting a part to the droid at the index: a chassis or an armour replaces the old one, a
-- weapon of the kind the droid carries adds one more, another weapon replaces them all, a
-- device joins the others.
local function QuoteFit(index, kind, id)
  if index < 0 or index >= GetUserDroidsCount() then
    return false, 0, 0, "Choose one of your droids first."
  end
  local droid = UserDroid(index)
  local name, part = Clean(droid.name), Part(kind, id)
  local partName = PartName(kind, id)
  if kind == "chassis" or kind == "armor" then
    local old = kind == "chassis" and droid.chassis or droid.armor
    if old == id then return false, 0, 0, name .. " has the " .. partName .. " already." end
    if kind == "chassis" and droid.weapon ~= "none" and droid.weapons > Mounts(id) then
      return false, 0, 0, partName .. " carry " .. Mounts(id) .. " weapon: remove one from " .. name .. " first."
    end
    local back = Refund(Part(kind, old).price)
    return Afford(part.price, back, "Fit the " .. partName .. " to " .. name .. " for " .. part.price ..
                  " points; the " .. PartName(kind, old) .. " pays back " .. back .. ".",
                  "the " .. PartName(kind, old))
  elseif kind == "weapon" then
    if droid.weapon == id and droid.weapons > 0 then
      if droid.weapons >= Mounts(droid.chassis) then
        return false, 0, 0, name .. "'s " .. PartName("chassis", droid.chassis) .. " carry no more weapons."
      end
      return Afford(part.price, 0, "Add another " .. partName .. " to " .. name .. " for " .. part.price .. " points.")
    end
    local back = 0
    if droid.weapon ~= "none" then back = Refund(Part("weapon", droid.weapon).price) * math.min(droid.weapons, MAX_WEAPONS) end
    return Afford(part.price, back, "Arm " .. name .. " with the " .. partName .. " for " .. part.price ..
                  " points; " .. WeaponText(droid) .. " pays back " .. back .. ".", WeaponText(droid))
  elseif kind == "device" then
    for _, device in ipairs(droid.devices) do
      if device == id then return false, 0, 0, name .. " carries a " .. partName .. " already." end
    end
    if table.getn(droid.devices) >= MAX_DEVICES then
      return false, 0, 0, name .. " carries " .. MAX_DEVICES .. " devices: remove one first."
    end
    return Afford(part.price, 0, "Fit the " .. partName .. " to " .. name .. " for " .. part.price .. " points.")
  end
  return false, 0, 0, "That cannot be fitted."
end

-- Taking a weapon or a device off the droid at the index.
local function QuoteRemove(index, kind, id)
  if index < 0 or index >= GetUserDroidsCount() then
    return false, 0, 0, "Choose one of your droids first."
  end
  local droid = UserDroid(index)
  local name, partName = Clean(droid.name), PartName(kind, id)
  local back = Refund(Part(kind, id).price)
  if kind == "weapon" then
    if droid.weapon ~= id or droid.weapons < 1 then return false, 0, 0, name .. " carries no " .. partName .. "." end
    return true, 0, back, "Remove a " .. partName .. " from " .. name .. " for " .. back .. " points back."
  elseif kind == "device" then
    for _, device in ipairs(droid.devices) do
      if device == id then
        return true, 0, back, "Remove the " .. partName .. " from " .. name .. " for " .. back .. " points back."
      end
    end
    return false, 0, 0, name .. " carries no " .. partName .. "."
  end
  return false, 0, 0, "Only weapons and devices come off; chassis and armour are replaced."
end

local function QuoteSell(index)
  local count = GetUserDroidsCount()
  if index < 0 or index >= count then return false, 0, 0, "Choose one of your droids first." end
  if count == 1 then return false, 0, 0, "Your last droid stays: who else would fight?" end
  local droid = UserDroid(index)
  local back = Refund(DroidPrice(droid))
  return true, 0, back, "Sell " .. Clean(droid.name) .. " for " .. back .. " points."
end

-- ---- Actions: each answers ok and a text for the message line ------------------------------

local function Charge(pay, back)
  SetPointsCount(GetPointsCount() - pay + back)
end

local function BuyModel(model, name)
  local ok, pay, back, text = QuoteModel(model)
  if not ok then return false, text end
  local droid = DroidRecord("droid", model)
  -- A name travels in commands ("droid_lost", "exit_reached"), which split at commas and
  -- drop double quotes: it holds neither, nor a typed Tab or other control character.
  name = string.gsub(Clean(name), "[,\"%c]", " ")
  name = string.gsub(string.gsub(name, "^%s+", ""), "%s+$", "")
  if name == "" then name = Clean(droid.name) .. " " .. (GetUserDroidsCount() + 1) end
  name = string.sub(name, 1, NAME_LENGTH)
  BuyDroid(model, name)
  Charge(pay, back)
  SaveLog("shop: bought " .. model .. " " .. name .. " for " .. pay)
  return true, name .. " the " .. Clean(droid.name) .. " joins you for " .. pay .. " points."
end

local function FitPart(index, kind, id)
  local ok, pay, back, text = QuoteFit(index, kind, id)
  if not ok then return false, text end
  local droid = UserDroid(index)
  if kind == "weapon" and droid.weapon ~= id then
    -- The weapons of the other kind are traded in: the last one leaves "none", count 0.
    for _ = 1, math.min(droid.weapons, MAX_WEAPONS) do SellItem(index, "weapon", 0) end
  end
  BuyItem(index, kind, id)
  Charge(pay, back)
  SaveLog("shop: fitted " .. kind .. " " .. id .. " to droid " .. index .. " for " .. pay .. ", " .. back .. " back")
  return true, PartName(kind, id) .. " fitted to " .. Clean(droid.name) .. ": " .. (pay - back) .. " points net."
end

local function RemovePart(index, kind, id)
  local ok, pay, back, text = QuoteRemove(index, kind, id)
  if not ok then return false, text end
  local droid = UserDroid(index)
  local slot = 0
  for i, device in ipairs(droid.devices) do
    if device == id and slot == 0 then slot = i end
  end
  SellItem(index, kind, slot)
  Charge(pay, back)
  SaveLog("shop: removed " .. kind .. " " .. id .. " from droid " .. index .. " for " .. back)
  return true, PartName(kind, id) .. " removed from " .. Clean(droid.name) .. ": " .. back .. " points back."
end

local function SellUserDroid(index)
  local ok, pay, back, text = QuoteSell(index)
  if not ok then return false, text end
  local name = Clean(UserDroid(index).name)
  SellDroid(index)
  Charge(pay, back)
  SaveLog("shop: sold droid " .. index .. " for " .. back)
  return true, name .. " sold for " .. back .. " points."
end

-- ---- The screen -----------------------------------------------------------------------------

local screen = GetWindow("shop")
local hasScreen = not IsNull(screen)
local windows = {}
local function W(name)
  if not windows[name] then windows[name] = GetWindow(name) end
  return windows[name]
end

local chosenDroid = -1        -- index of the chosen droid in the player's list, -1 none
local kind = 1                -- the tab: an index of KINDS
local ids, prices = {}, {}    -- the tab's catalogue
local page = 0
local chosenItem = -1         -- index into ids from 0, -1 none
local suggestedName = ""      -- the name the name field was given, until the player types
local icons = {}              -- icon windows by kind and id
local shownIcon = nil

local function Kind()
  return KINDS[kind]
end

local function ChosenId()
  return ids[chosenItem + 1]
end

-- One icon window for every catalogue entry, hidden until its entry is chosen. Icons are
-- textures of data\textures\interface named by the table's icon column ("droid_<id>" for
-- droid models).
local function MakeIcons()
  if not hasScreen then return end
  for _, k in ipairs(KINDS) do
    icons[k] = {}
    local catalogue = Catalogue(k)
    for _, id in ipairs(catalogue) do
      local icon = k == "droid" and "droid_" .. id or Part(k, id).icon
      if icon ~= "" then
        local win = NewWindow("icon_" .. k .. "_" .. id, icon .. ".tga", "interface.fx", "", 48, 48, 48, 48, 0, 0, 2)
        SetWindowPosition(win, 314, 254)
        icons[k][id] = win
      end
    end
  end
end

local function ShowIcon(win)
  if shownIcon then SetWindowVisible(shownIcon, false) end
  shownIcon = win
  if win then SetWindowVisible(win, true) end
end

local function ShowPoints()
  SetText(W("points"), tostring(GetPointsCount()))
end

local function Message(text)
  SetText(W("message"), Clean(text))
end

-- The name field's text. The field stays in its edit, which starts again from the new text.
local function SetName(text)
  SetTextForEdit(W("droid_name"), text)
  SetEdit(W("droid_name"))
end

local function ShowDroids()
  local rows = math.min(GetUserDroidsCount(), MAX_DROIDS)
  if rows == 0 then chosenDroid = -1
  elseif chosenDroid < 0 then chosenDroid = 0
  elseif chosenDroid >= rows then chosenDroid = rows - 1 end
  for k = 0, MAX_DROIDS - 1 do
    local row, label = W("droid" .. k), W("droid_label" .. k)
    SetWindowVisible(row, k < rows)
    SetWindowActive(row, k < rows)
    SetWindowVisible(label, k < rows)
    SetWindowActive(label, false)  -- clicks go through to the row
    if k < rows then SetText(label, (k + 1) .. ". " .. Clean(UserDroid(k).name)) end
  end
  SetRadioGroupActiveButton(W("droids"), chosenDroid)
  if chosenDroid < 0 then
    SetText(W("droid_info"), "No droids: buy one from the catalogue.")
    return
  end
  local droid = UserDroid(chosenDroid)
  SetText(W("droid_info"), PartName("chassis", droid.chassis) .. ", " .. PartName("armor", droid.armor) .. "#" ..
          WeaponText(droid) .. "#" .. DevicesText(droid) .. "#" ..
          "Sells for " .. Refund(DroidPrice(droid)) .. " points")
end

-- What a device does, three short lines, from its power and duration (the columns of its
-- table row); a device the shop does not know by its key gets the bare figures.
local function DeviceText(id, power, duration)
  if id == "radar" then
    return "The droid sees " .. Number(power * 100) .. "%#farther than without it#Always on"
  elseif id == "repair" then
    return "Restores " .. Number(power) .. " armour points#over " .. Number(duration) .. " s when armour#falls to half, once a mission"
  elseif id == "shield" then
    return "Absorbs " .. Number(power) .. " damage#before it fails#Renewed every mission"
  end
  return "Power " .. Number(power) .. "#" .. (duration > 0 and "Lasts " .. Number(duration) .. " seconds" or "Always on") .. "#"
end

-- The figures of the chosen entry, four short lines.
local function Figures(k, id)
  if k == "droid" then
    local droid = DroidRecord("droid", id)
    local lines = PartName("chassis", droid.chassis) .. ", " .. PartName("armor", droid.armor) .. "#" ..
                  WeaponText(droid) .. "#" .. DevicesText(droid)
    if droid.unlock > GetLastLevel() then return lines .. "#From mission " .. droid.unlock end
    return lines .. "#Price " .. prices[id]
  end
  local f = Part(k, id).figures
  local function n(i) return Number(tonumber(f[i]) or 0) end
  local lines
  if k == "weapon" then
    lines = "Damage " .. n(1) .. " a hit#" .. n(2) .. " shots a second#Range " .. n(3)
  elseif k == "armor" then
    lines = "Protection " .. n(1) .. "#Weight " .. n(2) .. "#Absorbs " .. n(3) .. " of a hit"
  elseif k == "chassis" then
    lines = "Speed " .. n(1) .. "#Turns " .. n(2) .. " degrees a second#Carries " .. Mounts(id) .. " weapon(s)"
  else
    lines = DeviceText(id, tonumber(f[1]) or 0, tonumber(f[2]) or 0)
  end
  return lines .. "#Price " .. prices[id]
end

-- The quote of what Buy would do with the chosen entry.
local function BuyQuote()
  local id = ChosenId()
  if not id then return "Choose an item of the catalogue." end
  local _, _, _, text
  if Kind() == "droid" then _, _, _, text = QuoteModel(id)
  else _, _, _, text = QuoteFit(chosenDroid, Kind(), id) end
  return text
end

local function ShowItem()
  local id = ChosenId()
  if not id then
    SetText(W("item_info"), "")
    ShowIcon(nil)
    return
  end
  SetText(W("item_info"), Figures(Kind(), id))
  ShowIcon(icons[Kind()] and icons[Kind()][id])
  -- A new droid's name follows the chosen model until the player types one.
  if Kind() == "droid" then
    local typed = GetText(W("droid_name"))
    if typed == "" or typed == suggestedName then
      suggestedName = Clean(DroidRecord("droid", id).name) .. " " .. (GetUserDroidsCount() + 1)
      SetName(suggestedName)
    end
  end
end

local function ShowItems()
  ids, prices = Catalogue(Kind())
  local pages = math.max(1, math.ceil(table.getn(ids) / ITEM_ROWS))
  page = math.max(0, math.min(page, pages - 1))
  for k = 0, ITEM_ROWS - 1 do
    local id = ids[page * ITEM_ROWS + k + 1]
    local row, label, price = W("item" .. k), W("item_label" .. k), W("item_price" .. k)
    SetWindowVisible(row, id ~= nil)
    SetWindowActive(row, id ~= nil)
    SetWindowVisible(label, id ~= nil)
    SetWindowVisible(price, id ~= nil)
    SetWindowActive(label, false)
    SetWindowActive(price, false)
    if id then
      local name = Kind() == "droid" and DroidRecord("droid", id).name or PartName(Kind(), id)
      SetText(label, Clean(name))
      SetText(price, tostring(prices[id]))
    end
  end
  for _, arrow in ipairs({ "prev_page", "next_page" }) do
    SetWindowVisible(W(arrow), pages > 1)
    SetWindowActive(W(arrow), pages > 1)
  end
  -- The tab's own widgets: the name of a droid to buy, Remove for parts that come off.
  local droids, removable = Kind() == "droid", Kind() == "weapon" or Kind() == "device"
  for _, name in ipairs({ "name_label", "name_frame", "droid_name" }) do
    SetWindowVisible(W(name), droids)
    SetWindowActive(W(name), droids and name == "droid_name")
  end
  SetText(W("name_label"), "Name")
  SetWindowVisible(W("remove"), removable)
  SetWindowActive(W("remove"), removable)
  local row = chosenItem - page * ITEM_ROWS
  if row < 0 or row >= ITEM_ROWS or not ChosenId() then row = -1 end
  SetRadioGroupActiveButton(W("kinds"), kind - 1)
  SetRadioGroupActiveButton(W("items"), row)
  ShowItem()
end

local function ShowAll()
  ShowPoints()
  ShowDroids()
  ShowItems()
end

local function ChooseKind(k)
  if k < 1 or k > table.getn(KINDS) then return end
  if k ~= kind then
    kind, page = k, 0
    chosenItem = -1
  end
  ids = Catalogue(Kind())
  if chosenItem < 0 and table.getn(ids) > 0 then chosenItem = 0 end
  ShowItems()
  Message(BuyQuote())
end

-- Shows the outcome of an action (its ok and its text).
local function Act(_, text)
  ShowAll()
  Message(text)
end

-- ---- The commands of the screen -------------------------------------------------------------

local function OnRadio(group, index)
  if group == "droids" then
    if index >= 0 and index < math.min(GetUserDroidsCount(), MAX_DROIDS) and index ~= chosenDroid then
      chosenDroid = index
      ShowDroids()
      Message(BuyQuote())
    end
  elseif group == "kinds" then
    if index + 1 ~= kind then ChooseKind(index + 1) end
  elseif group == "items" then
    local item = page * ITEM_ROWS + index
    if index >= 0 and ids[item + 1] and item ~= chosenItem then
      chosenItem = item
      ShowItem()
      Message(BuyQuote())
    end
  end
end

-- Answers true when the player leaves the shop.
local function OnButton(button)
  local id = ChosenId()
  if button == "buy" then
    if not id then Message("Choose an item of the catalogue.")
    elseif Kind() == "droid" then
      local ok, text = BuyModel(id, GetText(W("droid_name")))
      if ok then
        chosenDroid = GetUserDroidsCount() - 1
        SetName("")
        suggestedName = ""
      end
      Act(ok, text)
    else
      Act(FitPart(chosenDroid, Kind(), id))
    end
  elseif button == "remove" then
    if id then Act(RemovePart(chosenDroid, Kind(), id)) else Message("Choose an item of the catalogue.") end
  elseif button == "sell_droid" then
    Act(SellUserDroid(chosenDroid))
  elseif button == "prev_page" or button == "next_page" then
    -- The first entry of the new page is chosen.
    page = page + (button == "next_page" and 1 or -1)
    local pages = math.max(1, math.ceil(table.getn(ids) / ITEM_ROWS))
    page = math.max(0, math.min(page, pages - 1))
    if ids[page * ITEM_ROWS + 1] then chosenItem = page * ITEM_ROWS end
    ShowItems()
    Message(BuyQuote())
  elseif button == "continue" then
    -- The next mission rebuilds the player's droids from the kept state.
    FixState()
    SaveLog("shop: done with " .. GetUserDroidsCount() .. " droids and " .. GetPointsCount() .. " points")
    SendCommandByName("MAIN", "shop_done", "")
    return true
  end
  return false
end

MakeIcons()
ChooseKind(1)
ShowAll()
Message("Welcome! Choose a droid on the left and an item on the right.")

local leaving = false
while true do
  while not leaving and SetNextCommand(globalObject) do
    local command = GetCurrentCommand(globalObject)
    local params = { GetCurrentParams(globalObject) }
    if command == "radiogroup_checked" then
      OnRadio(params[1], tonumber(params[2]) or -1)
    elseif command == "button_click" then
      leaving = OnButton(params[1])
    elseif command == "textedit_click" and params[1] == "droid_name" then
      -- The name the shop suggested makes way for the player's own.
      if GetText(W("droid_name")) == suggestedName then SetName("") end
      Message("Type a name for the new droid, then click Buy.")
    elseif command == "text_edit_complete" and params[1] == "droid_name" then
      -- Enter ends the edit: the field takes the keys again at once.
      SetEdit(W("droid_name"))
      Message(BuyQuote())
    elseif command == "mainmenu" then
      -- Escape ends the edit too, bringing back the name as it was when the edit began; an
      -- empty field gets the suggested name again.
      if Kind() == "droid" and GetText(W("droid_name")) == "" then ShowItem() else SetEdit(W("droid_name")) end
    end
  end
  Update()
end
